// Every class a report file may hold keeps every published property through
// writing and reading: each property is given a value other than its default,
// the component goes through the object stream as the report file stores it
// (registered class names, bytes and all) and comes back with the same values.
// Classes stored under another registered name and classes a file must not
// hold are checked too.

#include "common/classregistry.h"
#include "common/properties.h"
#include "data/field.h"
#include "definition/objectstream.h"
#include "definition/qr2format.h"
#include "definition/qr2reader.h"
#include "definition/qr2text.h"
#include "deftest.h"

#include <QMetaEnum>
#include <QSet>

namespace
{
// Properties whose value cannot be chosen freely on a lone component.
bool leftAlone(const QString &path, const TPropInfo &info)
{
    // Opening a dataset needs a database; references need other components.
    return path == QLatin1String("Active") || info.Kind == TPropKind::Component ||
           info.Kind == TPropKind::Other;
}

// A value of the property's kind that differs from the current one.
QVariant otherValue(const TPropInfo &info, const QVariant &current, const QString &path)
{
    switch (info.Kind) {
    case TPropKind::Integer:
        return current.toLongLong() == 7 ? 9 : 7;
    case TPropKind::Float:
        return current.toDouble() + 12.5;
    case TPropKind::String:
        return path.endsWith(QLatin1String("Name")) ? QStringLiteral("Courier New")
                                                    : QStringLiteral("Text of ") + path;
    case TPropKind::Boolean:
        return !current.toBool();
    case TPropKind::Color:
        return int(0x123456);
    case TPropKind::StringList:
        return QStringList{QStringLiteral("one"), QStringLiteral("two")};
    case TPropKind::Enumeration: {
        const QMetaEnum e = info.Property.enumerator();
        for (int i = 0; i < e.keyCount(); ++i)
            if (e.value(i) != current.toInt())
                return QString::fromLatin1(e.key(i));
        return current;
    }
    case TPropKind::Set: {
        const QMetaEnum e = info.Property.enumerator();
        // The highest single flag, toggled.
        for (int i = e.keyCount() - 1; i >= 0; --i)
            if (e.value(i) != 0)
                return current.toInt() ^ e.value(i);
        return current;
    }
    default:
        return current;
    }
}

// Every stored, writable property of object under its dotted path.
void collect(QObject *object, const QString &prefix, QList<QPair<QString, TPropInfo>> &out)
{
    for (const TPropInfo &info : PublishedProperties(object)) {
        const QString path = prefix + info.Name();
        if (!info.Stored() || (prefix.isEmpty() && info.Name() == QLatin1String("Name")))
            continue;
        if (info.Kind == TPropKind::Object) {
            if (QObject *sub = info.Property.read(object).value<QObject *>(); sub && prefix.count('.') < 4)
                collect(sub, path + QLatin1Char('.'), out);
            continue;
        }
        if (info.Writable() && !leftAlone(path, info))
            out.append({path, info});
    }
}

QMap<QString, QString> texts(QObject *object, const QList<QPair<QString, TPropInfo>> &props)
{
    QMap<QString, QString> out;
    for (const auto &[path, info] : props)
        out.insert(path, GetPropertyText(object, path));
    return out;
}

// What the report file writer and reader do with one component.
TComponent *roundTrip(TComponent *c, TComponent *owner, QStringList *skipped)
{
    TObjectWriter writer;
    writer.StoredClassName = [](TComponent *x) { return QR2StoredClassName(x->metaObject()); };
    TByteWriter out;
    WriteOSComponentList(out, {writer.WriteComponent(c)});
    TByteReader in(out.Data());
    TObjectReader reader(owner, nullptr);
    reader.AllowedClasses = QR2RegisteredClasses();
    reader.IgnoredClasses = QR2SkippedClasses();
    const QList<TComponent *> read = reader.Read(ReadOSComponentList(in));
    *skipped = reader.Skipped();
    return read.value(0);
}
} // namespace

class PropertyRoundTrip : public DesignTest
{
};

TEST_F(PropertyRoundTrip, EveryRegisteredClassKeepsEveryProperty)
{
    int classes = 0;
    for (const QString &className : QR2RegisteredClasses()) {
        if (QR2SkippedClasses().contains(className))
            continue;
        SCOPED_TRACE(className.toStdString());
        ASSERT_NE(FindComponentClass(className), nullptr) << "not creatable";
        TForm source;
        TComponent *c = CreateComponent(className, &source);
        ASSERT_NE(c, nullptr);
        c->SetName(QStringLiteral("Thing"));
        QList<QPair<QString, TPropInfo>> props;
        collect(c, QString(), props);
        // Set twice: a later property may reset an earlier one (a font's size sets its height).
        QStringList unchanged;
        for (int pass = 0; pass < 2; ++pass)
            for (const auto &[path, info] : props) {
                TPropInfo leaf;
                QObject *holder = ResolvePropertyPath(c, path, &leaf);
                if (!IsDefaultValue(holder, leaf) && pass == 1)
                    continue;
                const QVariant value = otherValue(info, GetPropertyValue(c, path), path);
                try {
                    SetPropertyValue(c, path, value);
                } catch (const std::exception &) {
                }
            }
        for (const auto &[path, info] : props) {
            TPropInfo leaf;
            QObject *holder = ResolvePropertyPath(c, path, &leaf);
            QString declared;
            if (DeclaredDefaultText(holder->metaObject(), leaf.Name(), &declared) &&
                IsDefaultValue(holder, leaf))
                unchanged << path;
        }
        const QMap<QString, QString> before = texts(c, props);

        TForm target;
        QStringList skipped;
        TComponent *back = roundTrip(c, &target, &skipped);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(QString::fromLatin1(back->metaObject()->className()), className);
        EXPECT_EQ(back->Name(), QStringLiteral("Thing"));
        EXPECT_TRUE(skipped.isEmpty()) << skipped.join(QLatin1Char(' ')).toStdString();
        const QMap<QString, QString> after = texts(back, props);
        for (auto it = before.begin(); it != before.end(); ++it)
            EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
        EXPECT_TRUE(unchanged.isEmpty()) << "kept their defaults: " << unchanged.join(' ').toStdString();
        ++classes;
    }
    EXPECT_EQ(classes, QR2RegisteredClasses().size() - QR2SkippedClasses().size());
}

// A 64-bit integer field has no registered class of its own: it is stored as
// an integer field, which holds its values; the file reads back.
TEST_F(PropertyRoundTrip, FieldsWithoutARegisteredClassAreStoredAsOneThatHoldsTheirValues)
{
    auto *wide = new TLargeintField(form.get());
    wide->SetName(QStringLiteral("Amount"));
    wide->SetFieldName(QStringLiteral("AMOUNT"));
    wide->SetDisplayFormat(QStringLiteral("#,##0"));
    TForm target;
    QStringList skipped;
    TComponent *back = roundTrip(wide, &target, &skipped);
    auto *field = qobject_cast<TIntegerField *>(back);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->FieldName(), QStringLiteral("AMOUNT"));
    EXPECT_EQ(field->DisplayFormat(), QStringLiteral("#,##0"));
    field->SetFieldKind(DataTypes::fkCalculated);
    field->SetValue(QVariant(qint64(9000000000000000123LL)));
    EXPECT_EQ(field->AsInteger(), 9000000000000000123LL);
}

// A component record may carry only the classes of the file's registry: any
// other (an engine label, a loader, a session) is the read error for an
// unknown class, even though the program can create it. TForm and TStrings
// records are accepted and hold nothing for the report.
TEST_F(PropertyRoundTrip, OnlyRegisteredClassesAreRead)
{
    auto fileWith = [](const QByteArray &inner) {
        return SerializeQR2(QR2FromText(QString::fromLatin1("version $0406\n"
                                                            "bands\n"
                                                            "  object Detail: TQRDesignBand\n"
                                                            "    BandType = rbDetail\n" +
                                                            inner +
                                                            "  end\n"
                                                            "end\n")));
    };
    for (const char *cls :
         {"TQRLabel", "TQRBand", "TQRReport", "TQRDLoader", "TReportDesignerDialog", "TSession"}) {
        SCOPED_TRACE(cls);
        ASSERT_NE(FindComponentClass(QLatin1String(cls)), nullptr);
        const int shown = prompt.Records().size();
        TQR2Context context;
        EXPECT_FALSE(ReadReport(fileWith(QByteArray("    object X: ") + cls + "\n    end\n"), context,
                                QString(), report, form.get(), true));
        EXPECT_TRUE(context.LastError.contains(QLatin1String(cls))) << context.LastError.toStdString();
        EXPECT_EQ(prompt.Records().size(), shown + 1);
    }
    TQR2Context context;
    ASSERT_TRUE(ReadReport(fileWith("    object F: TForm\n    end\n    object S: TStrings\n    end\n"
                                    "    object L: TQRDesignLabel\n      Caption = 'kept'\n    end\n"),
                           context, QString(), report, form.get(), true))
        << context.LastError.toStdString();
    auto *band = qobject_cast<TQRCustomBand *>(form->FindComponent(QStringLiteral("Detail")));
    ASSERT_NE(band, nullptr);
    ASSERT_EQ(band->ControlList().size(), 1);
    EXPECT_EQ(GetPropertyValue(band->ControlList().first(), QStringLiteral("Caption")).toString(),
              QStringLiteral("kept"));
}
