#pragma once

#include "common/component.h"
#include "common/localesettings.h"
#include "common/properties.h"
#include "engine/band.h"
#include "engine/elements.h"
#include "engine/printable.h"
#include "engine/report.h"

#include <memory>

// Switches the process locale for one test and back.
class LocaleGuard
{
public:
    explicit LocaleGuard(const QString &name) : m_previous(LocaleSettings().Name)
    {
        LocaleSettings().Load(name);
    }
    ~LocaleGuard() { LocaleSettings().Load(m_previous.isEmpty() ? QStringLiteral("en_US") : m_previous); }

private:
    QString m_previous;
};

// A form that owns a report and its bands, as a report holder does.
struct ReportFixture {
    std::unique_ptr<TComponent> form = std::make_unique<TComponent>();
    TQRReport *report = new TQRReport(form.get());

    ReportFixture() { report->SetName(QStringLiteral("QuickRep1")); }

    template <class T> T *band(QR::TQRBandType type = QR::rbDetail, const QString &name = QString())
    {
        auto *b = new T(form.get());
        if (!name.isEmpty())
            b->SetName(name);
        if constexpr (std::is_same_v<T, TQRBand>)
            b->SetBandType(type);
        b->SetParent(report);
        return b;
    }
};
