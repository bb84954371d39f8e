#include "definition/designbands.h"

#include "definition/designreport.h"
#include "definition/loader.h"

TQRDesignBandMembers::TQRDesignBandMembers(TComponent *self) : m_self(self), m_background(new TPicture(self)) {}

TQRDLoader *TQRDesignBandMembers::QRDesigner() const
{
    if (m_loader)
        return m_loader;
    return FirstComponentOf<TQRDLoader>(m_self->Owner());
}

void TQRDesignBandMembers::SetQRDesigner(TQRDLoader *loader)
{
    m_loader = loader;
}

TQRDesignBandMembers *DesignBandMembers(TQRCustomBand *band)
{
    return dynamic_cast<TQRDesignBandMembers *>(band);
}

namespace
{
// The rules every design band applies before and after it prints.
void designBeforePrint(TQRCustomBand *band, TQRDesignBandMembers *members, bool &printBand)
{
    if (TQRDLoader *loader = members->QRDesigner())
        loader->BandPrintRule(band, printBand);
    else if (!members->EditorEnabled())
        printBand = false;
}

void designAfterPrint(TQRCustomBand *band, TQRDesignBandMembers *members)
{
    if (TQRDLoader *loader = members->QRDesigner()) {
        loader->BandAfterPrintRule(band);
    } else if (band->BandType() == QR::rbSummary) {
        if (auto *report = qobject_cast<TQRDesignReport *>(band->ParentReport()))
            report->SetSummaryPrinted(true);
    }
}
} // namespace

#define QRD_BAND_COMMON_IMPL(Class)                                                                          \
    TComponent *Class::QRDesignerComponent() const { return QRDesigner(); }                                  \
    void Class::SetQRDesignerComponent(TComponent *c)                                                        \
    {                                                                                                        \
        if (!c || qobject_cast<TQRDLoader *>(c))                                                             \
            SetQRDesigner(qobject_cast<TQRDLoader *>(c));                                                    \
    }                                                                                                        \
    void Class::DoAfterPrint(bool printed)                                                                   \
    {                                                                                                        \
        designAfterPrint(this, this);                                                                        \
        TQRCustomBand::DoAfterPrint(printed);                                                                \
    }

QRD_BAND_COMMON_IMPL(TQRDesignBand)
QRD_BAND_COMMON_IMPL(TQRDesignChildBand)
QRD_BAND_COMMON_IMPL(TQRDesignSubdetail)
QRD_BAND_COMMON_IMPL(TQRDesignGroup)
QRD_BAND_COMMON_IMPL(TQRDesignLoopband)
QRD_BAND_COMMON_IMPL(TQRDesignStringsband)

// The rule runs first; the band's own BeforePrint event follows whatever it decided.
#define QRD_BAND_BEFOREPRINT_IMPL(Class)                                                                     \
    void Class::DoBeforePrint(bool &printBand)                                                               \
    {                                                                                                        \
        designBeforePrint(this, this, printBand);                                                            \
        TQRCustomBand::DoBeforePrint(printBand);                                                             \
    }

QRD_BAND_BEFOREPRINT_IMPL(TQRDesignBand)
QRD_BAND_BEFOREPRINT_IMPL(TQRDesignSubdetail)
QRD_BAND_BEFOREPRINT_IMPL(TQRDesignLoopband)
QRD_BAND_BEFOREPRINT_IMPL(TQRDesignStringsband)

TQRDesignBand::TQRDesignBand(TComponent *owner) : TQRBand(owner), TQRDesignBandMembers(this) {}

TQRDesignChildBand::TQRDesignChildBand(TComponent *owner) : TQREChildBand(owner), TQRDesignBandMembers(this) {}

// A child band's engine decision and its own event come first; the rule after them.
void TQRDesignChildBand::DoBeforePrint(bool &printBand)
{
    TQREChildBand::DoBeforePrint(printBand);
    designBeforePrint(this, this, printBand);
}

TQRDesignSubdetail::TQRDesignSubdetail(TComponent *owner) : TQRSubDetail(owner), TQRDesignBandMembers(this) {}

TQRDesignGroup::TQRDesignGroup(TComponent *owner) : TQRGroup(owner), TQRDesignBandMembers(this) {}

void TQRDesignGroup::DoBeforePrint(bool &printBand)
{
    designBeforePrint(this, this, printBand);
    TQRCustomBand::DoBeforePrint(printBand);
    m_groupPrinted = printBand;
}

TQRDesignLoopband::TQRDesignLoopband(TComponent *owner) : TQRLoopBand(owner), TQRDesignBandMembers(this) {}

TQRDesignStringsband::TQRDesignStringsband(TComponent *owner) : TQRStringsBand(owner), TQRDesignBandMembers(this)
{
}
