#pragma once

#include "testutil.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A scratch directory for descriptors and the profile files their INI sources name.
class TParamFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }

    QString write(const QString &name, const QString &text) const
    {
        const QString p = path(name);
        EXPECT_TRUE(testutil::writeFile(p, text.toUtf8()));
        return p;
    }

    QString read(const QString &name) const { return QString::fromUtf8(testutil::readFile(path(name))); }
};
