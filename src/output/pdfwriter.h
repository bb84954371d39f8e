#pragma once

// The PDF writer: recorded pages turned straight into one PDF document. Each
// page's commands become a deflated content stream (text as positioned glyph
// runs in the recorded fonts, fills, lines, frames, ellipses, pictures,
// clipping, transforms, opacity), pages are encoded on every core and written
// in order, and only the pages being encoded are held, so memory stays flat
// however long the report. The fonts are subset and embedded at the end.

#include <QString>
#include <functional>

class QIODevice;
class TQRPagePicture;

class TQRPdfWriter
{
public:
    // Fetches page n (1-based) into *page; false, with error set, when it cannot.
    using PageSource = std::function<bool(int n, TQRPagePicture *page, QString *error)>;

    explicit TQRPdfWriter(QIODevice *device);
    // The document's title, shown by readers in their window.
    void SetTitle(const QString &title) { m_title = title; }
    // The program named as the document's producer and creator.
    void SetProducer(const QString &producer) { m_producer = producer; }
    // Threads that encode pages; 0 (the default) one per core.
    void SetThreads(int threads) { m_threads = threads; }
    // For tests: false embeds every font whole, as when the subsetter refuses one.
    void SetSubsetting(bool on) { m_subset = on; }
    // For tests: false lays every text out through Qt's text layout.
    void SetDirectText(bool on) { m_directText = on; }
    // Writes pages 1 … count as the whole document. False, with error set, when a page cannot
    // be fetched or drawn or the device fails; what was written is then incomplete.
    bool Write(int count, const PageSource &source, QString *error);

private:
    QIODevice *m_device;
    QString m_title;
    QString m_producer = QStringLiteral("Tabulon");
    int m_threads = 0;
    bool m_subset = true;
    bool m_directText = true;
};
