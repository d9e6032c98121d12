// The two connection texts the programs give, read as the providers read them: an OLE DB text
// for SQLOLEDB with integrated security, or an ODBC text for the "SQL Server" driver.
#pragma once

#include <string>

namespace ado_standin {

// Raises the provider's error for a text neither would accept.
void CheckConnectionText(const std::wstring& text);

}  // namespace ado_standin
