#include "definition/reportcreator.h"

#include "common/localesettings.h"
#include "data/dataset.h"
#include "data/field.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/loader.h"
#include "engine/band.h"
#include "engine/elements.h"
#include "engine/printable.h"
#include "engine/report.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace
{
int fontSize(const TFont &font)
{
    return std::abs(font.Size());
}

int roundInt(double v)
{
    return int(std::lround(v));
}

QString blanksForUnderscores(QString text)
{
    return text.replace(QLatin1Char('_'), QLatin1Char(' '));
}

// The band's native height in the report's units.
void setBandUnitHeight(TQRCustomBand *band, double height)
{
    band->Size()->SetHeight(height);
}
} // namespace

TQRLayoutOptions::TQRLayoutOptions()
{
    HeaderFont.SetSize(10);
    HeaderFont.SetStyle(TFont::fsBold);
    DataFont.SetSize(10);
}

TQRLayoutOptions::TQRLayoutOptions(const TQRLayoutOptions &other)
{
    *this = other;
}

TQRLayoutOptions &TQRLayoutOptions::operator=(const TQRLayoutOptions &other)
{
    if (this == &other)
        return *this;
    DataSet = other.DataSet;
    Fields = other.Fields;
    HeaderFont.Assign(&other.HeaderFont);
    DataFont.Assign(&other.DataFont);
    HorizontalLines = other.HorizontalLines;
    VerticalLines = other.VerticalLines;
    BoxLines = other.BoxLines;
    Title = other.Title;
    PageHeader = other.PageHeader;
    PageFooter = other.PageFooter;
    Summary = other.Summary;
    ReportTitle = other.ReportTitle;
    return *this;
}

// --- factory operations -----------------------------------------------------------------------

TQRReportCreator::TQRReportCreator(TQRCustomReport *report) : m_report(report) {}

TQRReportCreator::~TQRReportCreator() = default;

TComponent *TQRReportCreator::Owner() const
{
    return m_report->Owner() ? m_report->Owner() : m_report;
}

void TQRReportCreator::ClearReport()
{
    // Bands take their elements with them.
    while (m_report->ControlCount() > 0)
        delete m_report->Controls(m_report->ControlCount() - 1);
}

void TQRReportCreator::NotifyCreated(TComponent *) {}

QString TQRReportCreator::FieldNameOf(TDataSet *, const QString &entry)
{
    return entry;
}

TQRLoopBand *TQRReportCreator::MakeLoopBand()
{
    return new TQRLoopBand(Owner());
}

TQRCustomBand *TQRReportCreator::MakeBand(int bandType)
{
    switch (bandType) {
    case QR::rbGroupHeader:
        return new TQRGroup(Owner());
    case QR::rbSubDetail:
        return new TQRSubDetail(Owner());
    case QR::rbChild:
        // The child band that also keeps label rows apart ("RowSpace").
        return new TQREChildBand(Owner());
    default: {
        auto *band = new TQRBand(Owner());
        band->SetBandType(QR::TQRBandType(bandType));
        return band;
    }
    }
}

TQRCustomLabel *TQRReportCreator::MakeLabel(TControl *parent)
{
    auto *label = new TQRLabel(Owner());
    label->SetParent(parent);
    return label;
}

TQRDBText *TQRReportCreator::MakeDBText(TControl *parent)
{
    auto *text = new TQRDBText(Owner());
    text->SetParent(parent);
    return text;
}

TQRShape *TQRReportCreator::MakeShape(TControl *parent)
{
    auto *shape = new TQRShape(Owner());
    shape->SetParent(parent);
    return shape;
}

QString TQRReportCreator::freeName(const QString &base) const
{
    const TComponent *owner = Owner();
    for (int n = 1;; ++n) {
        const QString name = base + QString::number(n);
        if (!owner->FindComponent(name))
            return name;
    }
}

TQRCustomBand *TQRReportCreator::AddBand(int bandType, int height)
{
    TQRCustomBand *band = MakeBand(bandType);
    band->SetParent(m_report);
    if (height != -1)
        band->SetHeight(height);
    NotifyCreated(band);
    return band;
}

TQRLoopBand *TQRReportCreator::AddLoopBand(int height)
{
    TQRLoopBand *band = MakeLoopBand();
    band->SetParent(m_report);
    if (height != -1)
        band->SetHeight(height);
    NotifyCreated(band);
    return band;
}

TQRDBText *TQRReportCreator::AddDBText(TControl *parent, TDataSet *dataSet, const TFont *font, int top,
                                       int left, const QString &fieldName)
{
    TQRDBText *text = MakeDBText(parent);
    text->SetName(freeName(QStringLiteral("QRDBText")));
    text->SetDataSet(dataSet);
    text->SetDataField(fieldName);
    text->SetBounds(left, top, 60, 20);
    if (font)
        text->Font()->Assign(font);
    if (TField *field = dataSet ? dataSet->FindField(fieldName) : nullptr)
        if (!field->DisplayLabel().isEmpty())
            text->SetCaption(field->DisplayLabel());
    text->SetAutoSize(true);
    NotifyCreated(text);
    return text;
}

TQRCustomLabel *TQRReportCreator::AddLabel(TControl *parent, const QString &caption, const TFont *font,
                                           int top, int left)
{
    TQRCustomLabel *label = MakeLabel(parent);
    label->SetName(freeName(QStringLiteral("QRLabel")));
    label->SetAutoSize(true);
    label->SetCaption(caption);
    label->SetBounds(left, top, label->Width(), label->Height());
    if (font)
        label->Font()->Assign(font);
    // An auto-sized label takes the width of its caption at once, so that
    // layouts can line values up behind the widest label.
    label->FormatLines();
    NotifyCreated(label);
    return label;
}

TQRShape *TQRReportCreator::AddShape(TControl *parent, QR::TQRShapeType shapeType, int height, int width,
                                     int top, int left)
{
    TQRShape *shape = MakeShape(parent);
    shape->SetName(freeName(QStringLiteral("QRShape")));
    shape->SetShape(shapeType);
    shape->SetBounds(left, top, width, height);
    NotifyCreated(shape);
    return shape;
}

// --- layouts ----------------------------------------------------------------------------------

namespace
{
// Lines are 5 pixels thick.
constexpr int kLine = 5;

void titleLabel(TQRReportCreator &creator, TQRCustomBand *band, const TQRLayoutOptions &options, int size)
{
    TFont font;
    font.Assign(&options.HeaderFont);
    font.SetSize(size);
    creator.AddLabel(band, options.ReportTitle, &font, 5, 5);
}

QString fieldCaption(TDataSet *dataSet, const QString &fieldName)
{
    TField *field = dataSet ? dataSet->FindField(fieldName) : nullptr;
    const QString label = field ? blanksForUnderscores(field->DisplayLabel()) : QString();
    return label.isEmpty() ? fieldName : label;
}
} // namespace

void TQRReportCreator::BuildListReport(const TQRLayoutOptions &o)
{
    ClearReport();
    m_report->SetDataSet(o.DataSet);
    const int dataSize = fontSize(o.DataFont);
    const int headerSize = fontSize(o.HeaderFont);
    const int narrowest = dataSize + 5;

    TQRCustomBand *detail = AddBand(QR::rbDetail);
    detail->SetName(QStringLiteral("Detailband"));
    detail->SetHeight(roundInt((dataSize + 7) * 1.1));

    QStringList names;
    QList<int> widths;
    for (const QString &entry : o.Fields.mid(0, 200)) {
        const QString name = FieldNameOf(o.DataSet, entry);
        TField *field = o.DataSet ? o.DataSet->FindField(name) : nullptr;
        names.append(name);
        widths.append((field ? field->DisplayWidth() : 10) * dataSize + 5);
    }
    auto sum = [&widths] {
        long long s = 0;
        for (int w : widths)
            s += w;
        return s;
    };
    // Narrow the columns in turn by a tenth until they fit, or a pass changes nothing.
    while (!widths.isEmpty() && sum() > detail->Width()) {
        const long long before = sum();
        for (int i = 0; i < widths.size() && sum() > detail->Width(); ++i)
            if (widths[i] > narrowest)
                widths[i] = std::max(narrowest, roundInt(0.9 * widths[i]));
        if (sum() == before)
            break;
    }

    QList<TQRDBText *> values;
    int left = 3;
    const int top = (detail->Height() - dataSize - 7) / 2;
    for (int i = 0; i < names.size(); ++i) {
        TQRDBText *text = AddDBText(detail, o.DataSet, &o.DataFont, top, left, names[i]);
        text->SetAutoSize(false);
        text->SetHeight(dataSize + 7);
        text->SetWidth(widths[i] - 5);
        values.append(text);
        left += widths[i];
    }

    const int headerHeight = (headerSize + 7) * 2 + 20;
    if (o.PageHeader)
        AddBand(QR::rbPageHeader, headerHeight)->SetName(QStringLiteral("Pageheader"));
    TQRCustomBand *columns = AddBand(QR::rbColumnHeader, headerHeight);
    columns->SetName(QStringLiteral("Columnheader"));
    for (int i = 0; i < values.size(); ++i) {
        TQRCustomLabel *label = AddLabel(columns, fieldCaption(o.DataSet, names[i]), &o.HeaderFont,
                                         roundInt(0.5 * (headerSize + 7)) + 20, values[i]->Left());
        label->SetAutoSize(false);
        label->SetWidth(values[i]->Width());
    }

    if (o.Title) {
        TQRCustomBand *title = AddBand(QR::rbTitle, 50);
        title->SetName(QStringLiteral("Titleband"));
        titleLabel(*this, title, o, 18);
    }
    if (o.PageFooter)
        AddBand(QR::rbPageFooter, 50)->SetName(QStringLiteral("Pagefooter"));
    if (o.Summary)
        AddBand(QR::rbSummary, 50)->SetName(QStringLiteral("Summary"));

    if (o.HorizontalLines)
        for (TQRCustomBand *band : {detail, columns})
            AddShape(band, QR::qrsHorLine, kLine, band->Width() - 6, band->Height() - 3, 3);
    if (o.BoxLines) {
        AddShape(detail, QR::qrsVertLine, detail->Height() + 1, kLine, -1, 0);
        AddShape(detail, QR::qrsVertLine, detail->Height() + 1, kLine, -1, detail->Width() - 5);
        AddShape(columns, QR::qrsVertLine, columns->Height() - 20, kLine, 20, 0);
        AddShape(columns, QR::qrsVertLine, columns->Height() - 20, kLine, 20, columns->Width() - 5);
        AddShape(columns, QR::qrsHorLine, kLine, columns->Width() - 6, 18, 3);
    }
    if (o.VerticalLines)
        for (int i = 1; i < values.size(); ++i) {
            AddShape(detail, QR::qrsVertLine, detail->Height() + 1, kLine, -1, values[i]->Left() - 5);
            AddShape(columns, QR::qrsVertLine, columns->Height() - 20, kLine, 20, values[i]->Left() - 5);
        }
}

void TQRReportCreator::BuildSingleFormReport(const TQRLayoutOptions &o)
{
    ClearReport();
    m_report->SetDataSet(nullptr);
    const int dataSize = fontSize(o.DataFont);
    const int headerSize = fontSize(o.HeaderFont);

    // The width a title band gets, from one made and freed again unannounced.
    int width;
    {
        TQRCustomBand *probe = MakeBand(QR::rbTitle);
        probe->SetParent(m_report);
        probe->SetHeight(2);
        width = probe->Width();
        delete probe;
    }
    TQRPage *page = m_report->Page();
    const double printableLength = page->NativeValue(TQRPage::LengthIndex) -
                                   page->NativeValue(TQRPage::TopMarginIndex) -
                                   page->NativeValue(TQRPage::BottomMarginIndex);
    TQRCustomBand *title = AddBand(QR::rbTitle);
    title->SetName(QStringLiteral("Titleband"));
    title->Size()->SetNativeValue(TQRBandSize::HeightIndex, printableLength);

    const int u = std::max(dataSize, headerSize) + 7;
    const int n = int(o.Fields.size());
    int widest = 0;
    for (int i = 0; i < n; ++i) {
        TQRCustomLabel *label =
            AddLabel(title, blanksForUnderscores(o.Fields[i]), &o.HeaderFont, 2 * i * u + u + 50, u);
        widest = std::max(widest, label->Width());
    }
    int firstValueLeft = 2 * u + widest;
    for (int i = 0; i < n; ++i)
        AddDBText(title, o.DataSet, &o.DataFont, headerSize - dataSize + 2 * i * u + u + 50, firstValueLeft,
                  FieldNameOf(o.DataSet, o.Fields[i]));
    titleLabel(*this, title, o, 18);

    if (o.HorizontalLines && n >= 2)
        for (int d = 1; d < n; ++d)
            AddShape(title, QR::qrsHorLine, kLine, width - 6, roundInt(0.5 * u + 2 * d * u) + 50, 3);
    if (o.BoxLines) {
        AddShape(title, QR::qrsHorLine, kLine, width - 6, roundInt(0.5 * u) + 50, 3);
        AddShape(title, QR::qrsHorLine, kLine, width - 6, roundInt(0.5 * u + 2 * n * u) + 50, 3);
        AddShape(title, QR::qrsVertLine, 2 * n * u, kLine, roundInt(0.5 * u) + 53, 1);
        AddShape(title, QR::qrsVertLine, 2 * n * u, kLine, roundInt(0.5 * u) + 53, width - 6);
    }
    if (o.VerticalLines && n >= 1)
        AddShape(title, QR::qrsVertLine, 2 * n * u, kLine, roundInt(0.5 * u) + 53, firstValueLeft - u);
}

void TQRReportCreator::BuildFormReport(const TQRLayoutOptions &o, double bandHeight, bool forceNewPage)
{
    ClearReport();
    m_report->SetDataSet(o.DataSet);
    const int dataSize = fontSize(o.DataFont);
    const int headerSize = fontSize(o.HeaderFont);
    const int u = std::max(dataSize, headerSize) + 7;
    const int n = int(o.Fields.size());

    TQRCustomBand *detail = AddBand(QR::rbDetail);
    detail->SetName(QStringLiteral("Detailband"));
    if (bandHeight > 0)
        setBandUnitHeight(detail, bandHeight);
    else
        detail->SetHeight(2 * u * (n + 1));
    detail->SetForceNewPage(forceNewPage);

    // With no field there is no row pitch: only the bands are made.
    if (n > 0) {
        const double t = u, b = u;
        const double pitch = (detail->Height() - t - b) / n;
        const double a = (pitch - headerSize) / 2, v = (pitch - dataSize) / 2;
        int widest = 0;
        for (int i = 0; i < n; ++i) {
            TQRCustomLabel *label = AddLabel(detail, blanksForUnderscores(o.Fields[i]), &o.HeaderFont,
                                             roundInt(a + t + i * pitch), u);
            widest = std::max(widest, label->Width());
        }
        const int firstValueLeft = 2 * u + widest;
        for (int i = 0; i < n; ++i)
            AddDBText(detail, o.DataSet, &o.DataFont, roundInt(v + t + i * pitch), firstValueLeft,
                      FieldNameOf(o.DataSet, o.Fields[i]));

        const int w = detail->Width(), h = detail->Height();
        if (o.HorizontalLines && n >= 2)
            for (int d = 1; d < n; ++d)
                AddShape(detail, QR::qrsHorLine, kLine, w - 6, roundInt(d * pitch + t), 3);
        const int lineTop = roundInt(t) + 2, lineHeight = roundInt(h - b - t) - 3;
        if (o.BoxLines) {
            AddShape(detail, QR::qrsHorLine, kLine, w - 6, roundInt(t), 3);
            AddShape(detail, QR::qrsHorLine, kLine, w - 6, roundInt(h - b - 3), 3);
            AddShape(detail, QR::qrsVertLine, lineHeight, kLine, lineTop, 1);
            AddShape(detail, QR::qrsVertLine, lineHeight, kLine, lineTop, w - 6);
        }
        if (o.VerticalLines)
            AddShape(detail, QR::qrsVertLine, lineHeight, kLine, lineTop, firstValueLeft - u);
    }

    if (o.PageHeader) {
        TQRCustomBand *header = AddBand(QR::rbPageHeader, 30);
        header->SetName(QStringLiteral("Pageheader"));
        if (o.Title)
            if (TQRDesignBandMembers *members = DesignBandMembers(header))
                members->SetNotOnFirstPage(true);
        titleLabel(*this, header, o, 12);
    }
    if (o.Title) {
        TQRCustomBand *title = AddBand(QR::rbTitle, 50);
        title->SetName(QStringLiteral("Titleband"));
        titleLabel(*this, title, o, 18);
    }
    if (o.PageFooter)
        AddBand(QR::rbPageFooter, 50)->SetName(QStringLiteral("Pagefooter"));
    if (o.Summary)
        AddBand(QR::rbSummary, 50)->SetName(QStringLiteral("Summary"));
}

void TQRReportCreator::BuildLabelReport(const TQRLayoutOptions &o, const TQRLabelSheet &s)
{
    ClearReport();
    auto *labelReport = qobject_cast<TQREReport *>(m_report);
    if (labelReport)
        labelReport->LabelSettings()->SetFirstLabel(1);
    TQRPage *page = m_report->Page();
    page->SetLeftMargin(s.LeftMargin);
    page->SetRightMargin(s.RightMargin);
    page->SetTopMargin(s.TopMargin);
    // The bottom margin is kept a little smaller than entered, so that the
    // last row still fits after rounding; the amount is per unit.
    double less = 30;
    switch (m_report->Units()) {
    case QRUnits::MM:
        less = 3;
        break;
    case QRUnits::Inches:
        less = 0.03;
        break;
    case QRUnits::Pixels:
        less = 12;
        break;
    case QRUnits::Characters:
        less = 0.3;
        break;
    case QRUnits::Native:
        less = 30;
        break;
    }
    page->SetBottomMargin(s.BottomMargin - less);
    page->SetColumns(std::max(1, s.Columns));
    page->SetColumnSpace(s.ColumnSpace);
    m_report->SetDataSet(o.DataSet);
    page->SetPaperSize(s.PaperSize);
    page->SetOrientation(s.Orientation);
    if (s.PaperSize == QRPaper::Custom) {
        page->SetWidth(s.PaperWidth);
        page->SetLength(s.PaperLength);
    }

    TQRCustomBand *labelBand;
    if (o.DataSet) {
        TQRLayoutOptions inner = o;
        inner.PageHeader = inner.Title = inner.PageFooter = inner.Summary = false;
        BuildFormReport(inner, s.LabelHeight, false);
        labelBand = qobject_cast<TQRCustomBand *>(Owner()->FindComponent(QStringLiteral("Detailband")));
        setBandUnitHeight(labelBand, s.LabelHeight);
    } else {
        TQRLoopBand *loop = AddLoopBand();
        loop->SetName(QStringLiteral("LabelBand"));
        setBandUnitHeight(loop, s.LabelHeight);
        const int count = std::max(1, s.Columns) * std::max(0, s.Rows);
        loop->SetPrintCount(count);
        if (labelReport)
            labelReport->LabelSettings()->SetLabelCount(count);
        labelBand = loop;
    }
    if (s.RowSpace > 0 && labelBand) {
        auto *space = qobject_cast<TQRChildBand *>(AddBand(QR::rbChild));
        space->SetName(QStringLiteral("RowSpace"));
        space->SetParentBand(labelBand);
        setBandUnitHeight(space, s.RowSpace);
    }
}

// --- the designer's creator -------------------------------------------------------------------

TQRDReportCreator::TQRDReportCreator(TQRCustomReport *report, TQRDLoader *designer)
    : TQRReportCreator(report), m_designer(designer)
{
}

void TQRDReportCreator::NotifyCreated(TComponent *control)
{
    if (AfterReportComponentCreated)
        AfterReportComponentCreated(control);
}

QString TQRDReportCreator::FieldNameOf(TDataSet *dataSet, const QString &entry)
{
    if (dataSet)
        for (TField *field : dataSet->FieldList())
            if (field->DisplayLabel() == entry)
                return field->FieldName();
    return entry;
}

TQRLoopBand *TQRDReportCreator::MakeLoopBand()
{
    return new TQRDesignLoopband(Owner());
}

TQRCustomBand *TQRDReportCreator::MakeBand(int bandType)
{
    switch (bandType) {
    case QR::rbGroupHeader:
        return new TQRDesignGroup(Owner());
    case QR::rbSubDetail:
        return new TQRDesignSubdetail(Owner());
    case QR::rbChild:
        return new TQRDesignChildBand(Owner());
    default: {
        auto *band = new TQRDesignBand(Owner());
        band->SetBandType(QR::TQRBandType(bandType));
        return band;
    }
    }
}

TQRCustomLabel *TQRDReportCreator::MakeLabel(TControl *parent)
{
    auto *label = new TQRDesignLabel(Owner());
    label->SetParent(parent);
    return label;
}

TQRDBText *TQRDReportCreator::MakeDBText(TControl *parent)
{
    auto *text = new TQRDesignDBText(Owner());
    text->SetParent(parent);
    return text;
}

TQRShape *TQRDReportCreator::MakeShape(TControl *parent)
{
    auto *shape = new TQRDesignShape(Owner());
    shape->SetParent(parent);
    return shape;
}

// --- generating -------------------------------------------------------------------------------

double ExpertNumber(const QString &text, bool *ok)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool good = false;
    double v = 0;
    if (!t.isEmpty() && t != QLatin1String(".") && t != QLatin1String("-"))
        v = QLocale::c().toDouble(t, &good);
    if (ok)
        *ok = good;
    return good && std::isfinite(v) ? v : 0;
}

void ResetReportForExpert(TQRReportCreator &creator)
{
    TQRCustomReport *report = creator.Report();
    for (TComponent *c : creator.Owner()->ComponentList()) {
        if (auto *child = qobject_cast<TQRChildBand *>(c))
            child->SetParentBand(nullptr);
        if (auto *group = qobject_cast<TQRGroup *>(c))
            group->SetFooterBand(nullptr);
    }
    creator.ClearReport();
    report->Page()->SetColumns(1);
    report->SetReportTitle(QString());
    report->SetDescription({});
}

void GenerateExpertReport(TQRReportCreator &creator, const TQRExpertSettings &s)
{
    ResetReportForExpert(creator);
    if (s.Style == TQRExpertSettings::BlankReport)
        return;
    TQRCustomReport *report = creator.Report();
    if (s.Landscape)
        report->Page()->SetOrientation(QRPaper::poLandscape);
    bool ok = false;
    const double columns = ExpertNumber(s.Columns, &ok);
    if (ok) {
        report->Page()->SetColumns(std::max(1, int(columns)));
        const double space =
            ExpertNumber(s.ColumnSpacing.isEmpty() ? QStringLiteral("0") : s.ColumnSpacing, &ok);
        if (ok)
            report->Page()->SetColumnSpace(space);
    }
    switch (s.Style) {
    case TQRExpertSettings::ListStyle:
        creator.BuildListReport(s.Layout);
        break;
    case TQRExpertSettings::SingleForm:
        creator.BuildSingleFormReport(s.Layout);
        break;
    case TQRExpertSettings::MailingLabels:
        creator.BuildLabelReport(s.Layout, s.Labels);
        break;
    case TQRExpertSettings::FormStyle:
    case TQRExpertSettings::Tabular:
        creator.BuildFormReport(s.Layout, -1, s.Style == TQRExpertSettings::FormStyle);
        break;
    case TQRExpertSettings::BlankReport:
        break;
    }
}
