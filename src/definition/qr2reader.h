#pragma once

// Reads a .QR2 byte stream into a report and the owner of its bands,
// elements and data components.

#include "definition/qr2context.h"

#include <QByteArray>
#include <QString>

class TComponent;
class TQRCustomReport;

// Reads the whole file. fileName is where it came from (empty for streams;
// it resolves relative table locations). withDataSettings is true for every
// load from a file, stream or blob, false for the undo snapshot.
// Returns false after showing "Error in reportfile" for a wrong version word,
// an unknown block tag or damaged bytes (truncated blocks or lists, bad tags,
// lengths past the end, absurd counts); context.LastError then names the
// fault and its offset. The report's Units are never changed.
bool ReadReport(const QByteArray &data, TQR2Context &context, const QString &fileName,
                TQRCustomReport *report, TComponent *owner, bool withDataSettings);

// Loads from a file; shows "Reportfile not found" for a missing file.
bool LoadReportFromFile(const QString &fileName, TQR2Context &context, TQRCustomReport *report,
                        TComponent *owner);
