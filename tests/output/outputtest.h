#pragma once

// Helpers for export tests: reports built in native units and independent
// readers (unrtf, python3's csv and zipfile) run as separate programs.

#include "gentest.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTextDocument>
#include <gtest/gtest.h>

// Standard output of a program; fails the test when it cannot run or fails.
inline QString runProgram(const QString &program, const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << "cannot start " << program.toStdString();
        return {};
    }
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The output of a python3 script given on standard input, with arguments.
inline QString runPython(const QByteArray &script, const QStringList &args)
{
    return runProgram(QStringLiteral("python3"), QStringList{QStringLiteral("-")} + args, script);
}

// The plain text of an RTF file as unrtf reads it. Its HTML output is used
// because only that one decodes \u characters; entities are resolved by Qt.
inline QString rtfText(const QString &file)
{
    // unrtf sets a zero font size for the tiny paragraph marks; Qt's complaint about it is noise.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
        if (previous && !message.startsWith(QLatin1String("QFont::setPointSizeF")))
            previous(type, context, message);
    });
    QTextDocument document;
    document.setHtml(runProgram(QStringLiteral("unrtf"), {QStringLiteral("--html"), file}));
    return document.toPlainText();
}
