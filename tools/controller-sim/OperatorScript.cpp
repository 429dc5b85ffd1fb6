// SPDX-License-Identifier: GPL-2.0-or-later
#include "OperatorScript.h"

#include "ControllerSimulator.h"

#include <QDir>
#include <QSaveFile>

OperatorScript::OperatorScript(ControllerSimulator &simulator, QObject *parent)
    : QObject(parent), m_simulator(simulator)
{
    m_readTimer.setSingleShot(true);
    m_stepTimer.setSingleShot(true);
    connect(&m_readTimer, &QTimer::timeout, this, [this] {
        m_state = State::Reading;
        m_simulator.startReading();
    });
    connect(&m_stepTimer, &QTimer::timeout, this, &OperatorScript::runStep);
    connect(&simulator, &ControllerSimulator::punchFinished, this, &OperatorScript::onPunchFinished);
    connect(&simulator, &ControllerSimulator::programReceived, this, &OperatorScript::onProgramReceived);
}

void OperatorScript::addRequest(const QByteArray &text)
{
    if (m_simulator.family() == ControllerSimulator::Family::Osp)
        m_items.append({true, "REQUEST.MIN", "(" + text + ")\nM02\n"});
    else
        m_items.append({true, "O9999", "O9999(" + text + ")\nM30\n"});
}

void OperatorScript::addPunch(const QByteArray &name, const QByteArray &body)
{
    m_items.append({false, name, body});
}

void OperatorScript::start()
{
    if (isBusy() || m_items.isEmpty())
        return;
    if (m_next >= m_items.size())
        m_next = 0;
    runStep();
}

void OperatorScript::runStep()
{
    m_state = State::Punching;
    m_awaitsAnswer = m_items.at(m_next).request;
    do {
        const Item &item = m_items.at(m_next++);
        m_simulator.punch(item.name, item.body);
    } while (!m_awaitsAnswer && m_next < m_items.size() && !m_items.at(m_next).request);
}

void OperatorScript::onPunchFinished()
{
    if (m_state != State::Punching)
        return;
    if (!m_awaitsAnswer)
        return stepDone();
    m_state = State::BeforeReading;
    m_readTimer.start(m_readAfterMs);
}

void OperatorScript::onProgramReceived(const ReceivedProgram &program)
{
    if (m_state == State::Idle) // whoever reads now is not the operator
        return;
    if (m_state != State::Reading) {
        emit problem(QStringLiteral("a program came before the control asked for it with DC1"));
        return;
    }
    m_simulator.stopReading();
    const bool named =
        !program.name.isEmpty() && !program.name.contains('/') && !program.name.startsWith('.');
    const Answer answer{named ? program.name : "ANSWER" + QByteArray::number(m_answers.size() + 1) + ".NC",
                        program.body};
    m_answers.append(answer);
    store(answer);
    emit answered(answer.name, answer.bytes);
    stepDone();
}

void OperatorScript::store(const Answer &answer)
{
    if (m_answerFolder.isEmpty())
        return;
    QSaveFile file(QDir(m_answerFolder).filePath(QString::fromLatin1(answer.name)));
    if (!file.open(QIODevice::WriteOnly) || file.write(answer.bytes) != answer.bytes.size() || !file.commit())
        emit problem(QStringLiteral("cannot store %1: %2").arg(file.fileName(), file.errorString()));
}

void OperatorScript::stepDone()
{
    m_state = State::Idle;
    if (m_next >= m_items.size())
        emit finished();
    else if (m_stepByStep)
        emit waiting();
    else
        m_stepTimer.start(m_stepPauseMs);
}

QByteArray OperatorScript::gist(const QByteArray &program)
{
    const qsizetype lineEnd = program.indexOf('\n');
    const QByteArray firstLine = program.left(lineEnd < 0 ? program.size() : lineEnd).trimmed();
    const qsizetype open = program.indexOf('(');
    const qsizetype close = open < 0 ? -1 : program.indexOf(')', open);
    if (close < 0 || program.mid(open, close - open).contains('\n'))
        return firstLine;
    return program.mid(open, close - open + 1);
}
