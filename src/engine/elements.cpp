#include "elements.h"

#include "common/classregistry.h"
#include "engine/band.h"
#include "engine/report.h"
#include "engine/richtextlayout.h"

TQRShape::TQRShape(TComponent *owner) : TQRPrintable(owner), m_brush(new TBrush(this)), m_pen(new TPen(this))
{
    SetInitialBounds(65, 65);
}

TQRImage::TQRImage(TComponent *owner) : TQRPrintable(owner), m_picture(new TPicture(this))
{
    SetInitialBounds(105, 105);
}

TQRDBImage::TQRDBImage(TComponent *owner) : TQRPrintable(owner)
{
    SetInitialBounds(105, 105);
}

void TQRDBImage::SetDataSet(TComponent *dataSet)
{
    if (dataSet && !IsDataSetComponent(dataSet))
        return;
    m_dataSet = dataSet;
    if (dataSet)
        FreeNotification(dataSet);
}

void TQRDBImage::Notification(TComponent *component, TOperation operation)
{
    TQRPrintable::Notification(component, operation);
    if (operation == opRemove && component == m_dataSet)
        m_dataSet = nullptr;
}

TQRCustomRichText::TQRCustomRichText(TComponent *owner)
    : TQRPrintable(owner), m_font(new TFont(this)), m_document(std::make_unique<QTextDocument>())
{
    SetInitialBounds(100, 100);
}

TQRRichText::TQRRichText(TComponent *owner) : TQRCustomRichText(owner) {}

void TQRRichText::SetParentRichEdit(TComponent *edit)
{
    m_parentRichEdit = edit;
    if (edit)
        FreeNotification(edit);
}

void TQRRichText::Notification(TComponent *component, TOperation operation)
{
    TQRCustomRichText::Notification(component, operation);
    if (operation == opRemove && component == m_parentRichEdit)
        m_parentRichEdit = nullptr;
}

TQRDBRichText::TQRDBRichText(TComponent *owner) : TQRCustomRichText(owner) {}

void TQRDBRichText::SetDataSet(TComponent *dataSet)
{
    if (dataSet && !IsDataSetComponent(dataSet))
        return;
    m_dataSet = dataSet;
    if (dataSet)
        FreeNotification(dataSet);
}

void TQRDBRichText::Notification(TComponent *component, TOperation operation)
{
    TQRCustomRichText::Notification(component, operation);
    if (operation == opRemove && component == m_dataSet)
        m_dataSet = nullptr;
}

void RegisterEngineClasses()
{
    RegisterComponentClass<TQRBand>();
    RegisterComponentClass<TQRChildBand>();
    RegisterComponentClass<TQREChildBand>();
    RegisterComponentClass<TQRGroup>();
    RegisterComponentClass<TQRSubDetail>();
    RegisterComponentClass<TQRLoopBand>();
    RegisterComponentClass<TQRStringsBand>();
    RegisterComponentClass<TQRReport>();
    RegisterComponentClass<TQREReport>();
    RegisterComponentClass<TQRLabel>();
    RegisterComponentClass<TQRMemo>();
    RegisterComponentClass<TQRDBText>();
    RegisterComponentClass<TQRExpr>();
    RegisterComponentClass<TQRDBCalc>();
    RegisterComponentClass<TQRSysData>();
    RegisterComponentClass<TQRShape>();
    RegisterComponentClass<TQRImage>();
    RegisterComponentClass<TQRDBImage>();
    RegisterComponentClass<TQRRichText>();
    RegisterComponentClass<TQRDBRichText>();
}
