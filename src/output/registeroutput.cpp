#include "registeroutput.h"

#include "common/classregistry.h"
#include "pagefilters.h"
#include "rtffilter.h"
#include "tablefilter.h"
#include "textfilter.h"
#include "wmffilter.h"

void RegisterOutputClasses()
{
    RegisterComponentClass<TQRTextFilter>();
    RegisterComponentClass<TQRRTFFilter>();
    RegisterComponentClass<TQRWMFFilter>();
    RegisterComponentClass<TQRCSVFilter>();
    RegisterComponentClass<TQRXLSXFilter>();
    RegisterComponentClass<TQRPDFFilter>();
    RegisterComponentClass<TQRPNGFilter>();
    RegisterComponentClass<TQRSVGFilter>();
}
