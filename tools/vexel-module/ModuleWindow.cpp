#include "ModuleWindow.h"

#include "DisplayWidget.h"
#include "ModuleProgram.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr int LogLines = 2000;

} // namespace

ModuleWindow::ModuleWindow(ModuleProgram &program, const QString &title, QWidget *parent)
    : QWidget(parent)
    , m_display(new DisplayWidget(program.module(), this))
    , m_log(new QPlainTextEdit(this))
{
    setWindowTitle(title);
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(LogLines);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_log->setPlaceholderText(tr("Frames received appear here."));

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_display);
    splitter->addWidget(m_log);
    // The display keeps its 2:1 shape; the rest of the width goes to the log,
    // whose lines are long.
    splitter->setSizes({600, 580});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter);

    connect(&program, &ModuleProgram::displayChanged, m_display, qOverload<>(&QWidget::update));
    connect(&program, &ModuleProgram::reported, this, [this](const QString &line) {
        if (!line.startsWith(QLatin1String("display ")))
            m_log->appendPlainText(line);
    });
    resize(1200, 320);
}
