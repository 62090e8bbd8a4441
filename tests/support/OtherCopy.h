#pragma once

// Another copy of the program holding a data folder: the test program
// started again with "--hold <folder>", which locks the folder, says "held"
// and waits until it is killed or its input closes.  A test program that
// uses it answers "--hold" in its main() by calling holdFolder().

#include "app/FolderLock.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>
#include <unistd.h>

namespace fnk::testsupport {

inline int holdFolder(const char* folder)
{
    app::FolderLock lock;
    if (lock.take(QString::fromLocal8Bit(folder)) != app::FolderLock::Outcome::Held)
        return 2;
    std::puts("held");
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}

// Another copy holding `folder` for the life of the object.
struct OtherCopy {
    QProcess process;
    explicit OtherCopy(const QString& folder)
    {
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), folder});
        if (!process.waitForReadyRead(20000) || !process.readAll().startsWith("held"))
            qFatal("the other copy did not lock %s", qPrintable(folder));
    }
    ~OtherCopy()
    {
        if (process.state() != QProcess::NotRunning) {
            process.closeWriteChannel();
            process.waitForFinished(20000);
        }
    }
    void kill()
    {
        process.kill();  // SIGKILL: the lock file stays behind
        process.waitForFinished(20000);
    }
};

}  // namespace fnk::testsupport
