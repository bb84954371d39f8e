#pragma once

// Shared fixture of the parameter dialog's tests.

#include "apptest.h"

#include "params/autoprintform.h"

#include <QSqlDatabase>
#include <QStringList>

#include <memory>

class AutoprintTest : public apptest::AppTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes <name>.cfg into the program directory.
    void writeDescriptor(const QString &name, const QByteArray &text) const;
    // A built dialog for a report name; null (with the test failed) when the build fails.
    std::unique_ptr<TAutoprintForm> build(const QString &name);
    // The alias DEMO of the generated demo database, in this test's program directory.
    void useDemoDatabase() const;
    // A demo report (.QR2 and .cfg) copied into the program directory.
    void copyDemoReport(const QString &name) const;
    // Rows of a query straight from the demo database, each row's columns joined by "|".
    static QStringList demoRows(const QString &sql);
    // Saves a picture of the window to $TABULON_SCREENSHOTS/<name>.png when that is set.
    static void screenshot(QWidget *window, const QString &name);
    // The message boxes the scripted prompt was shown.
    QList<TScriptedPrompt::Record> boxes() const;
};
