#include "definition/startup.h"

#include "definition/registerdefinition.h"
#include "expressions/library.h"
#include "output/registeroutput.h"

void RegisterReportSupport()
{
    static const bool done = [] {
        // The standard and extended functions fill the library when it is first used; the
        // report-bound ones take the rows it keeps for them, at start, not when a report loads.
        EvFunctionLibrary();
        RegisterDefinitionClasses();
        RegisterOutputClasses();
        return true;
    }();
    (void)done;
}
