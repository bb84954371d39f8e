#pragma once

// Writes a report and the components of its owner as a .QR2 byte stream.

#include "definition/qr2context.h"

#include <QByteArray>
#include <QString>

class TComponent;
class TQRCustomReport;

// Appends the whole file to out: the version word, the blocks in the order
// 254, 58, 102, 257, 255, 253, 104, 103..., 256, and the band list.
// withDataSettings adds the dataset and parameter-mark blocks (every save;
// not the undo snapshot). False (with context.LastError) when the
// application data exceeds the 16-bit length of its block.
bool WriteReport(QByteArray &out, TQR2Context &context, TQRCustomReport *report, TComponent *owner,
                 bool withDataSettings);

// Saves to a file, keeping the previous file under the backup name when
// context.SaveBackupFiles is set. The new file replaces the old one only
// once it is completely written, so a failed save never leaves no report
// under its name. Shows "Write Error" and returns false on failure.
bool SaveReportToFile(const QString &fileName, TQR2Context &context, TQRCustomReport *report,
                      TComponent *owner);

// The backup name: the extension replaced by extension (".BAK").
QString BackupFileName(const QString &fileName, const QString &extension);
