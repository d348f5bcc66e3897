#pragma once

#include <QWidget>

class DisplayWidget;
class ModuleProgram;
class QPlainTextEdit;

// The module's display above the log of what arrived and what was answered.
class ModuleWindow : public QWidget
{
    Q_OBJECT
public:
    ModuleWindow(ModuleProgram &program, const QString &title, QWidget *parent = nullptr);

private:
    DisplayWidget *m_display = nullptr;
    QPlainTextEdit *m_log = nullptr;
};
