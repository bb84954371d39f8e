#pragma once

// "Print" of the parameter dialog without its window: the stale page files cleared, the report
// holder, the typed parameters, the report loaded, the label captions set, and the answer to the
// report's query-parameter questions. The dialog and the batch run (tabulon-run --dialog) share it,
// so both hand a report exactly the same values.

#include "params/model/parameters.h"

#include "common/screen.h"

#include <QList>
#include <QString>

class TParamDialogModel;
class TQRDatabaseSettings;
class TQRDLoader;
class TQRDesignReport;
class TQRWMFFilter;
class TQuery;

// Deletes the stale "qrp*.tmp" page files (names compared without regard to case) in the
// directory named by the environment variable "temp", else "tmp" (variable names compared
// without regard to case), else the system's temporary directory. Only regular files of the
// current user are deleted, never directories, links or names beginning with "."; the clean-up
// stops at the first file that cannot be deleted. Returns the number of files deleted.
int RemoveStaleTempPageFiles();
// The directory RemoveStaleTempPageFiles looks in.
QString StaleTempPageDir();

// The report holder of one "Print": the design report `Report`, its loader `QRepDesigner` and the
// metafile export filter, with the parameters the dialog hands over.
class Tfmrepprev : public TForm
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit Tfmrepprev(TComponent *owner = nullptr);
    ~Tfmrepprev() override;

    // The report the holder runs.
    TQRDesignReport *Report() const { return m_report; }
    // The loader bound to Report.
    TQRDLoader *QRepDesigner() const { return m_loader; }
    // The metafile export filter offered while the holder exists.
    TQRWMFFilter *QRWMFFilter() const { return m_wmf; }
    // The SQL delimiters the loader's queries are written with.
    TQRDatabaseSettings *SQLSettings() const { return m_sqlSettings; }

    // The typed parameters handed to the report's queries.
    const QList<TReportParameter> &Parameters() const { return m_parameters; }
    void SetParameters(const QList<TReportParameter> &parameters) { m_parameters = parameters; }

    // The answer to the loader's BeforeGetQueryParams: each parameter, value and type, goes onto
    // the query's first parameter of the same name (case ignored); never cancels.
    void AnswerQueryParams(TQuery *query, bool &doCancel) const;

private:
    TQRDesignReport *m_report;
    TQRDLoader *m_loader;
    TQRWMFFilter *m_wmf;
    TQRDatabaseSettings *m_sqlSettings;
    QList<TReportParameter> m_parameters;
};

// Copies the parameters onto the query's parameters of the same names; errors are ignored.
void AssignQueryParameters(const QList<TReportParameter> &parameters, TQuery *query);

// Steps of "Print" between the clean-up and the run: typed parameters (each also written to
// dumpFile's section "Variables" when dumpFile is not empty), the report file loaded into the
// holder, the parameters handed over, the label captions set (and dumped to "labels"). False
// with the message when a value does not convert or the dump cannot be written; a report file
// that does not load is reported by the loader itself and the holder's report stays as it is.
bool PrepareReportHolder(const TParamDialogModel &model, const QString &reportFile, const QString &dumpFile,
                         Tfmrepprev &holder, QString &error, bool *loaded = nullptr);

class TTableBuildSite;
// Gives a built control a value as a user would enter it, written as a descriptor default is
// (EDIT text, INTEDIT number, FLOATEDIT number, DATEEDIT yyyymmdd, LIST index, TABLE value,
// CHECK "1" or "0"), and fires its links. False with the reason for an unknown control or a
// value that does not convert.
bool SetControlValue(TParamDialogModel &model, TTableBuildSite &site, const QString &name,
                     const QString &value, QString &error);

// The rich-text and text export filters of the program run: created at the first report that
// starts generating pages through a holder, kept until the program ends.
void CreateRunExportFilters();
// How often CreateRunExportFilters created them (0 or 1).
int RunExportFiltersCreated();

// The descriptor beside a report file: the same directory and name with ".cfg".
QString DescriptorBeside(const QString &reportFile);

// The files "Print" works with for a report name: program directory + name + ".QR2", ".cfg",
// ".txt" (an existing file of another letter case is found).
QString ReportFileOf(const QString &reportName);
QString DescriptorFileOf(const QString &reportName);
QString DumpFileOf(const QString &reportName);
