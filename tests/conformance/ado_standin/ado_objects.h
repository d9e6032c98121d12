// The stand-in's three creatable ADO classes; everything else (recordsets from Execute, fields,
// parameters) is handed out by them.
#pragma once

#include <oaidl.h>

namespace ado_standin {

enum class AdoClass { kConnection, kRecordset, kCommand };

// A new object with one reference, counted among the live ones.
IDispatch* NewObject(AdoClass kind);

}  // namespace ado_standin
