#pragma once

// Recorded pages in the stored-report layout, which is also the format of a
// saved page file:
//
//   offset 0   u16 format number 3, u16 format number 305, 4 reserved
//          8   i32 page count, 4 reserved
//         16   double creation date-time (days since 30 December 1899)
//         24   1 reserved, u8 compression flag, 102 reserved
//        128   page records, page 1 first
//
// A page record: i32 page number, i32 absolute position of the next record,
// the page bytes (compressed: i32 uncompressed length, then the bit stream of
// TQRCompress), i32 absolute position of this record's start. The stream's
// last four bytes therefore locate the last record.
//
// Pages are added and read under the list's lock, so that a reader may show
// finished pages while later ones are still being written.

#include "qrstream.h"

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <memory>

class TQRPageList
{
public:
    static constexpr int HeaderSize = 128;
    static constexpr quint16 FormatNumber1 = 3;
    static constexpr quint16 FormatNumber2 = 305;

    // A new, empty list in a fresh page stream.
    TQRPageList();
    // A list over an existing stream (a loaded page file); call ReadHeader.
    explicit TQRPageList(std::unique_ptr<TQRStream> stream);

    // Reads and checks the header of a loaded stream. False, with error set,
    // when the stream is too short, carries other format numbers or a page
    // count that its size cannot hold.
    bool ReadHeader(QString *error);

    int PageCount() const;
    bool Compressed() const;
    // Whether pages added from now on are compressed. The flag of the stored
    // header describes every page of a file, so it is fixed when the first
    // page is written; a change after that applies to the next document.
    void SetCompression(bool on);
    // Creation date-time, written with the first page (local time).
    QDateTime CreationDateTime() const;
    void SetCreationDateTime(const QDateTime &when);

    // Appends a page; raises EQRError when the stream cannot be written.
    void AddPage(const QByteArray &pageBytes) { AddPage(pageBytes.constData(), pageBytes.size()); }
    // The same from a buffer that the caller keeps; written into the stream
    // without an intermediate copy (a compressed page goes through one
    // reused buffer).
    void AddPage(const char *pageBytes, qsizetype size);
    // Rewrites the header with the final page count (writes it for an empty document).
    void Finish();
    // The bytes of page n (1-based), decompressed. False when there is no
    // such page or its record is damaged; never loops on forged positions.
    bool GetPage(int n, QByteArray *pageBytes);

    TQRStream *Stream() const { return m_stream.get(); }
    // Copies the whole stream into a file in blocks of 10240 bytes. The file
    // is replaced only when everything was written.
    bool SaveToFile(const QString &fileName, QString *error) const;

    // Days since 30 December 1899 and back.
    static double ToDelphiDateTime(const QDateTime &when);
    static QDateTime FromDelphiDateTime(double days);

private:
    bool writeHeader();
    bool seekRecord(int n, qint64 size);

    mutable QMutex m_lock;
    QByteArray m_compressed; // reused from page to page
    std::unique_ptr<TQRStream> m_stream;
    int m_pageCount = 0;
    bool m_compression = false;
    bool m_headerCompression = false;
    double m_created = 0;
};
