#pragma once

// Shapes, images and rich-text elements.

#include "engine/printable.h"

#include <QTextDocument>
#include <memory>

class TQRShape : public TQRPrintable
{
    Q_OBJECT
    Q_PROPERTY(TBrush *Brush READ Brush CONSTANT)
    Q_PROPERTY(TPen *Pen READ Pen CONSTANT)
    Q_PROPERTY(QR::TQRShapeType Shape READ Shape WRITE SetShape)
    Q_CLASSINFO("Default:Shape", "qrsRectangle")
    Q_CLASSINFO("Default:Width", "65")
    Q_CLASSINFO("Default:Height", "65")
public:
    Q_INVOKABLE explicit TQRShape(TComponent *owner = nullptr);
    TBrush *Brush() const { return m_brush; }
    TPen *Pen() const { return m_pen; }
    QR::TQRShapeType Shape() const { return m_shape; }
    void SetShape(QR::TQRShapeType s) { m_shape = s; }
    void PrintAt(double offsetX, double offsetY) override;

private:
    TBrush *m_brush;
    TPen *m_pen;
    QR::TQRShapeType m_shape = QR::qrsRectangle;
};

class TQRImage : public TQRPrintable
{
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_PROPERTY(TPicture *Picture READ Picture CONSTANT)
    Q_CLASSINFO("Default:AutoSize", "False")
    Q_CLASSINFO("Default:Center", "False")
    Q_CLASSINFO("Default:Stretch", "False")
public:
    Q_INVOKABLE explicit TQRImage(TComponent *owner = nullptr);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool v) { m_autoSize = v; }
    bool Center() const { return m_center; }
    void SetCenter(bool v) { m_center = v; }
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool v) { m_stretch = v; }
    TPicture *Picture() const { return m_picture; }
    void PrintAt(double offsetX, double offsetY) override;

private:
    bool m_autoSize = false;
    bool m_center = false;
    bool m_stretch = false;
    TPicture *m_picture;
};

class TQRDBImage : public TQRPrintable
{
    Q_OBJECT
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TComponent *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_CLASSINFO("Default:Center", "True")
    Q_CLASSINFO("Default:Stretch", "False")
public:
    Q_INVOKABLE explicit TQRDBImage(TComponent *owner = nullptr);
    bool Center() const { return m_center; }
    void SetCenter(bool v) { m_center = v; }
    QString DataField() const { return m_dataField; }
    void SetDataField(const QString &f) { m_dataField = f; }
    TComponent *DataSet() const { return m_dataSet; }
    void SetDataSet(TComponent *dataSet);
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool v) { m_stretch = v; }
    void PrepareForRun() override;
    void PrintAt(double offsetX, double offsetY) override;
    void FinishRun() override;

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    QPointer<QObject> m_field; // guarded: reopening a dataset makes its fields anew
    bool m_center = true;
    QString m_dataField;
    TComponent *m_dataSet = nullptr;
    bool m_stretch = false;
};

class TQRRichTextLayout;

class TQRCustomRichText : public TQRPrintable
{
    Q_OBJECT
public:
    explicit TQRCustomRichText(TComponent *owner = nullptr);
    ~TQRCustomRichText() override;
    bool AutoStretch() const { return m_autoStretch; }
    void SetAutoStretch(bool v) { m_autoStretch = v; }
    TFont *Font() const { return m_font; }
    QStringList Lines() const { return m_lines; }
    // Sets the lines (RTF, or plain text) and reads them into Document.
    void SetLines(const QStringList &l);
    TFont *ControlFont() const override { return m_font; }
    // The element's own rich-text buffer.
    QTextDocument *Document() const { return m_document.get(); }

    // --- run (richtextprint.cpp) ---
    // Character position where the next page continues (0 on a fresh start).
    int NextPosition = 0;
    // Lays the text out into the element's rectangle, grows the band while text remains.
    void PrintAt(double offsetX, double offsetY) override;
    // Releases the layout kept between pages.
    void FinishRun() override;

protected:
    // The text to print: Document, unless a descendant takes it from elsewhere.
    virtual const QTextDocument *SourceDocument() const;
    // Called at the start of each fresh print, before the text is laid out.
    virtual void LoadContent() {}

private:
    bool m_autoStretch = false;
    TFont *m_font;
    QStringList m_lines;
    std::unique_ptr<QTextDocument> m_document;
    std::unique_ptr<TQRRichTextLayout> m_layout;
    double m_stretched = 0;
    bool m_firstExpansionDone = false;
};

class TQRRichText : public TQRCustomRichText
{
    Q_OBJECT
    Q_PROPERTY(QR::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoStretch READ AutoStretch WRITE SetAutoStretch)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TFont *Font READ Font CONSTANT)
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(TComponent *ParentRichEdit READ ParentRichEdit WRITE SetParentRichEdit)
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:AutoStretch", "False")
public:
    Q_INVOKABLE explicit TQRRichText(TComponent *owner = nullptr);
    // A rich-text editor whose contents are printed instead of Lines.
    TComponent *ParentRichEdit() const { return m_parentRichEdit; }
    void SetParentRichEdit(TComponent *edit);

protected:
    void Notification(TComponent *component, TOperation operation) override;
    // The editor's document (a QTextDocument it holds, or its Lines) when ParentRichEdit is set.
    const QTextDocument *SourceDocument() const override;

private:
    TComponent *m_parentRichEdit = nullptr;
    mutable std::unique_ptr<QTextDocument> m_editCopy;
};

class TQRDBRichText : public TQRCustomRichText
{
    Q_OBJECT
    Q_PROPERTY(QR::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoStretch READ AutoStretch WRITE SetAutoStretch)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(TFont *Font READ Font CONSTANT)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TComponent *DataSet READ DataSet WRITE SetDataSet)
    Q_CLASSINFO("Default:Alignment", "taLeftJustify")
    Q_CLASSINFO("Default:AutoStretch", "False")
public:
    Q_INVOKABLE explicit TQRDBRichText(TComponent *owner = nullptr);
    QString DataField() const { return m_dataField; }
    void SetDataField(const QString &f) { m_dataField = f; }
    TComponent *DataSet() const { return m_dataSet; }
    void SetDataSet(TComponent *dataSet);
    // Finds the field named DataField.
    void PrepareForRun() override;
    // Forgets the field.
    void FinishRun() override;

protected:
    void Notification(TComponent *component, TOperation operation) override;
    // Reads the memo or binary field into Document.
    void LoadContent() override;

private:
    QPointer<QObject> m_field; // guarded: reopening a dataset makes its fields anew
    QString m_dataField;
    TComponent *m_dataSet = nullptr;
};

// Registers every engine class with the class registry (creatable by name).
void RegisterEngineClasses();
