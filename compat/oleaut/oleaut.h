// The OLE Automation value layer: VARTYPE codes, SYSTEMTIME, CY, DECIMAL, BSTR, byte
// arrays, VARIANT and the conversions between them.
#pragma once

#include "compat/oleaut/bstr.h"
#include "compat/oleaut/currency.h"
#include "compat/oleaut/date_parse.h"
#include "compat/oleaut/decimal.h"
#include "compat/oleaut/oleaut_types.h"
#include "compat/oleaut/oledate.h"
#include "compat/oleaut/safearray.h"
#include "compat/oleaut/systemtime.h"
#include "compat/oleaut/variant.h"
#include "compat/oleaut/vartype.h"
