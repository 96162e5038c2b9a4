#include "foundation/exe_info.h"

#include "platform/version_info.h"

void TInfoExe::Read()
{
    if (plat::GetFileVersionInfoSize(FileName) == 0)
        return;
    const QByteArray block = plat::GetFileVersionInfo(FileName);
    const auto query = [&](const char* key) {
        const QString path =
            QStringLiteral("\\StringFileInfo\\") + Lang + QStringLiteral("04E4\\") + QLatin1String(key);
        return plat::VerQueryValue(block, path).value_or(QString());
    };
    CompanyName = query("CompanyName");
    FileDescription = query("FileDescription");
    FileVersion = query("FileVersion");
    InternalName = query("InternalName");
    LegalCopyright = query("LegalCopyright");
    LegalTradeMarks = query("LegalTradeMarks");
    OriginalFilename = query("OriginalFilename");
    ProductName = query("ProductName");
    ProductVersion = query("ProductVersion");
    Comments = query("Comments");
}
