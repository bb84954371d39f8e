#include "data/registerdata.h"

#include "common/classregistry.h"
#include "data/query.h"
#include "data/session.h"
#include "data/table.h"

void RegisterDataClasses()
{
    RegisterComponentClass<TTable>();
    RegisterComponentClass<TQuery>();
    RegisterComponentClass<TDataSource>();
    RegisterComponentClass<TSession>();
    RegisterComponentClass<TStringField>();
    RegisterComponentClass<TWideStringField>();
    RegisterComponentClass<TSmallintField>();
    RegisterComponentClass<TIntegerField>();
    RegisterComponentClass<TWordField>();
    RegisterComponentClass<TAutoIncField>();
    RegisterComponentClass<TLargeintField>();
    RegisterComponentClass<TBooleanField>();
    RegisterComponentClass<TFloatField>();
    RegisterComponentClass<TCurrencyField>();
    RegisterComponentClass<TBCDField>();
    RegisterComponentClass<TDateField>();
    RegisterComponentClass<TTimeField>();
    RegisterComponentClass<TDateTimeField>();
    RegisterComponentClass<TBytesField>();
    RegisterComponentClass<TVarBytesField>();
    RegisterComponentClass<TBlobField>();
    RegisterComponentClass<TMemoField>();
    RegisterComponentClass<TGraphicField>();
}
