// SPDX-License-Identifier: MIT
// Environment expansion, C and Qt forms. Text without a '$' comes back as it
// is; both forms agree; a failure always leaves a message; expanding a text
// that lies in the previous result reads it whole.
#include "FuzzSupport.h"
#include "project/ExpandEnvVars.h"

#include <QString>

#include <cstdlib>
#include <cstring>
#include <string>

using physprops::core::CCoreServices;

namespace
{
char* FuzzInstallRoot()
{
    return strdup("/opt/zorv/");
}

char* NoInstallRoot()
{
    return nullptr;
}

CCoreServices g_services = {{}, {}, &FuzzInstallRoot};
// An installation whose root cannot be found: the name counts as not set.
CCoreServices g_noRoot = {{}, {}, &NoInstallRoot};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("FZ", "/f/", 1);
    setenv("FZ_EMPTY", "", 1);
    setenv("FZ_SELF", "$FZ_SELF${FZ}", 1);
    setenv("FZ_LONG", std::string(3000, 'L').c_str(), 1);
    unsetenv("FZ_UNSET");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    const char* pszText = text.c_str(); // the C form reads up to the first zero byte
    const std::string_view cText(pszText);

    const char* pszResult = nullptr;
    const char* pszMessage = nullptr;
    const int nOk = ExpandEnvVars(pszText, &pszResult, &pszMessage, g_services);
    FUZZ_CHECK(nOk == 0 || nOk == 1);
    std::string strResult;
    std::string strMessage;
    if (nOk)
    {
        FUZZ_CHECK(pszResult != nullptr);
        strResult = pszResult;
        if (cText.find('$') == std::string_view::npos)
            FUZZ_CHECK(strResult == cText);
    }
    else
    {
        FUZZ_CHECK(pszMessage != nullptr);
        strMessage = pszMessage;
    }

    // The Qt form sees the same text when it survives the trip through UTF-16.
    const QString strText = QString::fromUtf8(cText.data(), qsizetype(cText.size()));
    if (strText.toUtf8() == QByteArray(cText.data(), qsizetype(cText.size())))
    {
        QString strOut = QStringLiteral("before");
        QString strError = QStringLiteral("before");
        const bool bOk = ExpandEnvVars(strText, strOut, strError, g_services);
        FUZZ_CHECK(bOk == (nOk == 1));
        if (bOk)
        {
            FUZZ_CHECK(strOut.toUtf8() == QByteArray::fromStdString(strResult));
            FUZZ_CHECK(strError == u"before");
        }
        else
        {
            FUZZ_CHECK(strError.toUtf8() == QByteArray::fromStdString(strMessage));
            FUZZ_CHECK(strOut == u"before");
        }
    }

    // Expanding the previous result in place: the text is read before it goes.
    if (nOk)
    {
        const char* pszAgain = nullptr;
        const char* pszAgainMessage = nullptr;
        const int nAgain = ExpandEnvVars(pszResult, &pszAgain, &pszAgainMessage, g_services);
        std::string strFresh;
        const char* pszFresh = nullptr;
        const char* pszFreshMessage = nullptr;
        const std::string again = nAgain ? std::string(pszAgain) : std::string(pszAgainMessage);
        const int nFresh =
            ExpandEnvVars(strResult.c_str(), &pszFresh, &pszFreshMessage, g_services);
        FUZZ_CHECK(nFresh == nAgain);
        FUZZ_CHECK(again == (nFresh ? std::string(pszFresh) : std::string(pszFreshMessage)));
    }

    std::string buffer;
    const char* pszRoot = LookupInstallRoot(pszText, buffer, g_services);
    FUZZ_CHECK((pszRoot != nullptr) == (cText == "ZORV_INST_DIR"));
    FUZZ_CHECK(LookupInstallRoot(pszText, buffer, g_noRoot) == nullptr);
    if (LookupInstallRoot(pszText, buffer) != nullptr)
        FUZZ_CHECK(cText == "ZORV_INST_DIR");

    // Without a root, a text that names it fails or expands as if it were unset.
    const char* pszNoRoot = nullptr;
    const char* pszNoRootMessage = nullptr;
    const int nNoRoot = ExpandEnvVars(pszText, &pszNoRoot, &pszNoRootMessage, g_noRoot);
    FUZZ_CHECK(nNoRoot == 0 || nNoRoot == 1);
    FUZZ_CHECK(nNoRoot ? pszNoRoot != nullptr : pszNoRootMessage != nullptr);
    if (cText.find("ZORV_INST_DIR") == std::string_view::npos)
        FUZZ_CHECK(nNoRoot == nOk);

    // The form on the process's own services agrees on a text without references.
    if (cText.find('$') == std::string_view::npos)
    {
        const char* pszPlain = nullptr;
        const char* pszPlainMessage = nullptr;
        FUZZ_CHECK(ExpandEnvVars(pszText, &pszPlain, &pszPlainMessage) == 1);
        FUZZ_CHECK(std::string_view(pszPlain) == cText);
    }
    FUZZ_CHECK(ExpandEnvVars(nullptr, &pszResult, &pszMessage, g_services) == 0);
    return 0;
}
