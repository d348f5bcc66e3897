#pragma once

#include "Acknowledgement.h"
#include "FrameDecoder.h"
#include "LedModule.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class ModuleLine;

// The stand-in module at work: bytes from the line go through the decoder into
// the model, stores are kept in the state file and answered, and every event
// becomes one line of text for the log.
class ModuleProgram : public QObject
{
    Q_OBJECT
public:
    ModuleProgram(ModuleLine *line, const Acknowledgement &acknowledgement, const QString &statePath,
                  bool printDisplay, QObject *parent = nullptr);

    // Shows the start-up screen kept by an earlier run, if there is one, and
    // prints the display either way when asked to.
    void loadState();
    const LedModule &module() const { return m_module; }

signals:
    void reported(const QString &line);
    void displayChanged();

private:
    void receive(const QByteArray &bytes);
    void endPause();
    void handle(const Frame &frame);
    void saveState();
    void answer();
    void reportDisplay();
    void updateMotion();
    void move();

    ModuleLine *m_line = nullptr;
    Acknowledgement m_acknowledgement;
    QString m_statePath;
    bool m_printDisplay = false;
    FrameDecoder m_decoder;
    LedModule m_module;
    QTimer m_pause;
    QTimer m_motion;
    QElapsedTimer m_motionClock;
};
