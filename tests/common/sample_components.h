#pragma once

// Small component classes that exercise every kind of published property.

#include "common/colors.h"
#include "common/component.h"

#include <QPointer>
#include <QStringList>

class TSampleFont : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_PROPERTY(TFontStyles Style READ Style WRITE SetStyle)
    Q_CLASSINFO("Default:Color", "clBlack")
    Q_CLASSINFO("Default:Size", "10")
    Q_CLASSINFO("Default:Style", "[]")
public:
    enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
    Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
    Q_FLAG(TFontStyles)

    using TPersistent::TPersistent;
    TColor Color() const { return m_color; }
    void SetColor(TColor c) { m_color = c; }
    QString Name() const { return m_name; }
    void SetName(const QString &n) { m_name = n; }
    int Size() const { return m_size; }
    void SetSize(int s) { m_size = s; }
    TFontStyles Style() const { return m_style; }
    void SetStyle(TFontStyles s) { m_style = s; }

private:
    TColor m_color = clBlack;
    QString m_name = QStringLiteral("Arial");
    int m_size = 10;
    TFontStyles m_style;
};

class TSampleFrame : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(bool DrawTop READ DrawTop WRITE SetDrawTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_CLASSINFO("Default:DrawTop", "False")
    Q_CLASSINFO("Default:Width", "1")
public:
    using TPersistent::TPersistent;
    bool DrawTop() const { return m_drawTop; }
    void SetDrawTop(bool v) { m_drawTop = v; }
    int Width() const { return m_width; }
    void SetWidth(int v)
    {
        if (v > 0) // invalid values are ignored
            m_width = v;
    }

private:
    bool m_drawTop = false;
    int m_width = 1;
};

class TSampleElement : public TControl
{
    Q_OBJECT
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(int Count READ Count WRITE SetCount)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(TSampleFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(TSampleFrame *Frame READ Frame)
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(TSampleElement *Master READ Master WRITE SetMaster)
    Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(int ReadOnlyValue READ ReadOnlyValue)
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:Color", "clWhite")
    Q_CLASSINFO("Default:Count", "3")
    Q_CLASSINFO("Default:Enabled", "True")
public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    Q_INVOKABLE explicit TSampleElement(TComponent *owner = nullptr)
        : TControl(owner), m_font(new TSampleFont(this)), m_frame(new TSampleFrame(this))
    {
    }

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment a) { m_alignment = a; }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &c) { m_caption = c; }
    TColor Color() const { return m_color; }
    void SetColor(TColor c) { m_color = c; }
    int Count() const { return m_count; }
    void SetCount(int c) { m_count = c; }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool e) { m_enabled = e; }
    TSampleFont *Font() const { return m_font; }
    void SetFont(TSampleFont *f) { m_font->Assign(f); }
    TSampleFrame *Frame() const { return m_frame; }
    QStringList Lines() const { return m_lines; }
    void SetLines(const QStringList &l) { m_lines = l; }
    TSampleElement *Master() const { return m_master; }
    void SetMaster(TSampleElement *m)
    {
        if (m_master)
            RemoveFreeNotification(m_master);
        m_master = m;
        if (m)
            FreeNotification(m);
    }
    double Ratio() const { return m_ratio; }
    void SetRatio(double r) { m_ratio = r; }
    int ReadOnlyValue() const { return 42; }

    // What Notification saw, for the tests.
    int removals = 0;

protected:
    void Notification(TComponent *component, TOperation operation) override
    {
        TControl::Notification(component, operation);
        if (operation == opRemove) {
            ++removals;
            if (component == m_master)
                m_master = nullptr;
        }
    }

private:
    TAlignment m_alignment = taLeftJustify;
    QString m_caption;
    TColor m_color = clWhite;
    int m_count = 3;
    bool m_enabled = true;
    TSampleFont *m_font;
    TSampleFrame *m_frame;
    QStringList m_lines;
    TSampleElement *m_master = nullptr;
    double m_ratio = 0;
};

// Redeclares a default and adds a property of its own.
class TSampleDerived : public TSampleElement
{
    Q_OBJECT
    Q_PROPERTY(QString Extra READ Extra WRITE SetExtra)
    Q_CLASSINFO("Default:Count", "5")
public:
    Q_INVOKABLE explicit TSampleDerived(TComponent *owner = nullptr) : TSampleElement(owner) { SetCount(5); }
    QString Extra() const { return m_extra; }
    void SetExtra(const QString &e) { m_extra = e; }

private:
    QString m_extra;
};

// Another component class, for references of the wrong class.
class TSampleOther : public TComponent
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TSampleOther(TComponent *owner = nullptr) : TComponent(owner) {}
};
