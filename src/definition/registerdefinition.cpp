#include "definition/registerdefinition.h"

#include "common/classregistry.h"
#include "common/languagefile.h"
#include "data/registerdata.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/reportdata.h"
#include "definition/reportfunctions.h"
#include "definition/runtimecomponents.h"

void RegisterDefinitionClasses()
{
    RegisterDataClasses();
    RegisterEngineClasses();
    RegisterDataSettingsClasses();
    RegisterComponentClass<TQRDesignReport>();
    RegisterComponentClass<TQRDesignBand>();
    RegisterComponentClass<TQRDesignChildBand>();
    RegisterComponentClass<TQRDesignSubdetail>();
    RegisterComponentClass<TQRDesignGroup>();
    RegisterComponentClass<TQRDesignLoopband>();
    RegisterComponentClass<TQRDesignStringsband>();
    RegisterComponentClass<TQRDesignLabel>();
    RegisterComponentClass<TQRDesignDBText>();
    RegisterComponentClass<TQRDesignExpr>();
    RegisterComponentClass<TQRDesignSysdata>();
    RegisterComponentClass<TQRDesignMemo>();
    RegisterComponentClass<TQRDesignRichtext>();
    RegisterComponentClass<TQRDesignDBRichtext>();
    RegisterComponentClass<TQRDesignShape>();
    RegisterComponentClass<TQRDesignImage>();
    RegisterComponentClass<TQRDesignDBImage>();
    RegisterComponentClass<TCompLoader>();
    RegisterComponentClass<TQRDLoader>();
    RegisterComponentClass<TReportPrinterDialog>();
    RegisterComponentClass<TReportDesignerDialog>();
    RegisterReportFunctions();
    // The printing window's texts are its loader's messages.
    RegisterLanguageSection(QStringLiteral("RepFormDB"), [] {
        TReportPrinterDialog dialog;
        dialog.CreateReportForm();
        TTranslatableWindow window;
        AddComponentParts(window, dialog.ReportForm());
        return LanguageSectionLines(dialog.ReportForm()->Name(), window);
    });
}
