// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/system/QtProcessLauncher.h"

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>
#else
#include <QProcess>
#endif

#if defined(Q_OS_UNIX)

// QProcess would re-encode the arguments as text and lose the bytes of a name that is not UTF-8.
// The tool runs in a session of its own under init, so it outlives this program and leaves no zombie.
// The folder is entered by its bytes in the child, so a name that is not UTF-8 is reached exactly.
bool QtProcessLauncher::launch(const QByteArray &program, const QByteArrayList &arguments,
                               const QByteArray &folder)
{
    std::vector<char *> argv; // built before the fork: the child may only call what is safe there
    argv.push_back(const_cast<char *>(program.constData()));
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);

    int report[2]; // the grandchild writes errno here when exec fails; a close on exec means started
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
#if defined(Q_OS_LINUX)
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC); // the serial port and open files stay here
#endif
        ::signal(SIGPIPE, SIG_DFL);
        if (folder.isEmpty() || ::chdir(folder.constData()) == 0)
            ::execvp(argv[0], argv.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t written = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

#else

bool QtProcessLauncher::launch(const QByteArray &program, const QByteArrayList &arguments,
                               const QByteArray &folder)
{
    QStringList texts;
    for (const QByteArray &argument : arguments)
        texts.append(QString::fromUtf8(argument));
    return QProcess::startDetached(QString::fromUtf8(program), texts, QString::fromUtf8(folder));
}

#endif
