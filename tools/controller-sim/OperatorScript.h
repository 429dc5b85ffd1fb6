// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class ControllerSimulator;
struct ReceivedProgram;

// An operator at the control, in steps: punch the programs given together, or punch a request
// program, switch the control to READ a while later and wait for the one program that answers it.
// The reading is the simulator's own, so the answer comes paced as a control reads.
class OperatorScript final : public QObject {
    Q_OBJECT
public:
    struct Answer {
        QByteArray name;
        QByteArray bytes;
    };

    explicit OperatorScript(ControllerSimulator &simulator, QObject *parent = nullptr);

    // A request program whose first comment is text, such as "SEND O1000.MIN" or "LIST".
    void addRequest(const QByteArray &text);
    void addPunch(const QByteArray &name, const QByteArray &body);

    void setReadAfterMs(int milliseconds) { m_readAfterMs = milliseconds; }  // default 1000
    void setStepPauseMs(int milliseconds) { m_stepPauseMs = milliseconds; }  // default 0
    void setStepByStep(bool on) { m_stepByStep = on; }                       // each step waits for start()
    void setAnswerFolder(const QString &folder) { m_answerFolder = folder; } // "": answers are not stored

    // Runs the next step, the first again once all have run.
    void start();
    bool isBusy() const { return m_state != State::Idle || m_stepTimer.isActive(); }
    QList<Answer> answers() const { return m_answers; }

    // The program's first comment, else its first line.
    static QByteArray gist(const QByteArray &program);

signals:
    void answered(const QByteArray &name, const QByteArray &bytes);
    void waiting(); // step by step, for start()
    void finished();
    void problem(const QString &message);

private:
    enum class State { Idle, Punching, BeforeReading, Reading };
    struct Item {
        bool request;
        QByteArray name;
        QByteArray body;
    };

    void runStep();
    void onPunchFinished();
    void onProgramReceived(const ReceivedProgram &program);
    void stepDone();
    void store(const Answer &answer);

    ControllerSimulator &m_simulator;
    QList<Item> m_items;
    QList<Answer> m_answers;
    QTimer m_readTimer;
    QTimer m_stepTimer;
    QString m_answerFolder;
    qsizetype m_next = 0;
    int m_readAfterMs = 1000;
    int m_stepPauseMs = 0;
    State m_state = State::Idle;
    bool m_stepByStep = false;
    bool m_awaitsAnswer = false;
};
