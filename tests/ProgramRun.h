#pragma once

// The program itself run headless, with settings, data and runtime folders of its own under home;
// for tests built with INKPOND_BINARY.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

struct Run
{
    int exitCode = -1; // -1 when it did not end normally
    QString standardError;
    QString standardOutput;
};

inline Run runInkpond(const QStringList &arguments, const QString &home)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    const QString runtime = home + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(INKPOND_BINARY), arguments);
    Run run;
    if (!process.waitForFinished(-1))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.standardError = QString::fromUtf8(process.readAllStandardError());
    run.standardOutput = QString::fromUtf8(process.readAllStandardOutput());
    return run;
}
