#pragma once

// The block layer of .QR2 report files, byte for byte and without classes:
// the version word, the tagged blocks, the report and printer records, the
// font record, and the band list after the end tag. Parsing keeps every
// byte, so that SerializeQR2(ParseQR2(b)) == b for any file ParseQR2 accepts;
// the dump/build tool and the report reader and writer build on it.

#include "definition/objectstream.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace QR2
{
constexpr quint16 Version = 0x0406;
constexpr quint16 OldVersion = 0x0405;

// Block tags.
enum TBlockTag : quint16 {
    AppDataBlock = 58,
    PrinterBlock = 102,
    RichTextBlock = 103,
    ParamMarkBlock = 104,
    LegacyBlock = 252,
    ScriptBlock = 253,
    TitleBlock = 254,
    ReportBlock = 255,
    EndOfBlocks = 256,
    DatasetBlock = 257,
};

constexpr int TitleLength = 256;
constexpr int PrinterRecordLength = 262;
constexpr int ReportRecordLength = 364;
// The application data block's length field is 16 bits.
constexpr int MaxAppDataLength = 65535;
// Entries of the legacy block; more than this cannot be real.
constexpr quint32 MaxLegacyEntries = 1u << 20;

// Offsets in the printer record.
namespace Printer
{
constexpr int OutputBin = 0, Copies = 1, PrinterName = 5, Duplex = 261;
}

// Offsets in the report record.
namespace Report
{
constexpr int DatasetIndex = 0, FrameColor = 2, FrameDrawBottom = 6, FrameDrawLeft = 7, FrameDrawRight = 8,
              FrameDrawTop = 9, FrameStyle = 10, FrameWidth = 11, Options = 13, BottomMargin = 14,
              Columns = 24, ColumnSpace = 26, LeftMargin = 36, Length = 46, Orientation = 56, PaperSize = 57,
              RightMargin = 58, Ruler = 68, TopMargin = 69, Width = 79, Copies = 89, Duplex = 91,
              OutputBin = 92, ReportTitle = 93, Reserved = 349, SnapToGrid = 350, Units = 351, Zoom = 352,
              FirstLabel = 356, LabelCount = 360;
}
} // namespace QR2

// The class names a component record of a report file may carry; every
// other name is an unknown class to the reader and is never written.
const QStringList &QR2RegisteredClasses();
// Registered names that stand for nothing a report holds: their records are
// read and skipped (the designer's selection frame, forms, string lists).
const QStringList &QR2SkippedClasses();
// The registered class a component is stored under: its own class, else the
// nearest registered ancestor, else the registered class that holds the same
// values (a 64-bit integer field as an integer field); empty when there is none.
QByteArray QR2StoredClassName(const QMetaObject *metaObject);

// The font record of the report extras.
struct TQR2Font {
    qint32 Color = 0;        // TColor value
    qint16 Height = 0;       // pixels, negative for the character height
    quint8 Pitch = 0;        // TFontPitch ordinal
    qint16 Size = 0;         // points
    quint16 Style = 0;       // 1 bold, 2 italic, 4 underline, 8 strike-out
    QByteArray Name;         // code-page bytes, without the zero byte
    bool HasCharset = false; // the record carries the charset byte
    quint8 Charset = 0;      // TFontCharset value
};
TQR2Font ReadFontRecord(TByteReader &in);
void WriteFontRecord(TByteWriter &out, const TQR2Font &font);

// The report extras after the 364 bytes of block 255.
struct TQR2ReportExtras {
    bool HasDatasetName = false;   // present when the dataset index is -1
    QByteArray DatasetName;        // the dataset's name when HasDatasetName
    QList<QByteArray> Description; // the description lines
    TQR2Font Font;                 // the report font
    QByteArray Hint;               // the report's hint
    // Readers ignore the name, so it may be missing or cut short at the end of the data.
    enum TNameState { NamePresent, NameMissing, NameTruncated } NameState = NamePresent;
    QByteArray Name; // the name, or the bytes left when truncated
};

// One block as stored.
struct TQR2Block {
    quint16 Tag = 0;           // QR2::TBlockTag
    QByteArray Data;           // the counted bytes of 58, 102, 103, 253, 254, 255, 257
    QByteArray Name;           // 103: the element's name
    QList<QByteArray> Marks;   // 104: the entries before the "\" terminator
    QList<QByteArray> Entries; // 252
    TQR2ReportExtras Extras;   // 255
};

// A whole file as stored.
struct TQR2File {
    quint16 Version = QR2::Version; // 0x0406 or 0x0405
    QList<TQR2Block> Blocks;        // in file order
    bool HasEndTag = true;          // blocks ended by tag 256 (else by the end of the data)
    QList<TOSComponent> Bands;      // the band list after tag 256
    QByteArray Trailing;            // bytes after the band list (ignored by readers)

    // The first block with that tag, or null.
    const TQR2Block *FindBlock(quint16 tag) const;
};

// Parses a whole file; raises EQR2ReadError for a wrong version word, an
// unknown block tag, truncated blocks or lists and absurd lengths or counts.
TQR2File ParseQR2(const QByteArray &data);
QByteArray SerializeQR2(const TQR2File &file);

// A record (102, 254, 255) zero-filled or cut to its fixed size, as readers use it.
QByteArray FixedRecord(const QByteArray &data, int size);
// Reads a fixed short string of size bytes at offset of record.
QByteArray FixedShortStringAt(const QByteArray &record, int offset, int size);

// Text of a script or rich-text block: lines each followed by CR LF. False
// when the bytes are not of that form (a last line without CR LF).
bool SplitCrLfLines(const QByteArray &data, QList<QByteArray> *lines);
QByteArray JoinCrLfLines(const QList<QByteArray> &lines);
