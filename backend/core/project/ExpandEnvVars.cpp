// SPDX-License-Identifier: MIT
#include "project/ExpandEnvVars.h"

#include "pellium/Utf8.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

using physprops::core::CCoreServices;

namespace
{
constexpr const char* kInstallRootName = "ZORV_INST_DIR";

// The C form hands out pointers into these; each thread has its own, so a
// caller on another thread cannot pull the text from under the UI thread.
thread_local std::string t_strResult;
thread_local std::string t_strMessage;

bool IsNameChar(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The character an error names; a whole UTF-8 sequence rather than its first
// byte, so the message stays readable text.
std::string CharAt(std::string_view text, std::size_t i)
{
    return std::string(text.substr(i, Utf8CharLen(text.data(), i, text.size())));
}

// "ZORV_INST_DIR" is the installation root and nothing else: when the root
// cannot be found, the name counts as not set, whatever the environment holds.
bool LookupName(const std::string& strName, std::string& strValue, const CCoreServices& services)
{
    if (strName == kInstallRootName)
    {
        std::string strRoot;
        const char* pszRoot = LookupInstallRoot(strName.c_str(), strRoot, services);
        if (!pszRoot)
            return false;
        strValue = std::move(strRoot);
        return true;
    }
    const char* pszEnv = std::getenv(strName.c_str());
    if (!pszEnv)
        return false;
    strValue = pszEnv;
    return true;
}

// A value never leaves a trailing separator behind: the text after the
// reference brings its own.
void Substitute(std::string& strResult, const std::string& strValue)
{
    strResult += strValue;
    if (!strResult.empty() && (strResult.back() == '\\' || strResult.back() == '/'))
        strResult.pop_back();
}

bool Expand(std::string_view text, std::string& strResult, std::string& strMessage,
            const CCoreServices& services)
{
    const std::size_t n = text.size();
    std::size_t i = 0;
    std::string strName;
    std::string strValue;
    while (i < n)
    {
        const char c = text[i++];
        if (c != '$')
        {
            strResult += c;
            continue;
        }
        if (i >= n)
        {
            // Nothing follows the '$': there is no character to name.
            strMessage = "Invalid character ";
            return false;
        }
        const auto cSelector = static_cast<unsigned char>(text[i++]);
        strName.clear();
        if (cSelector == '{' || cSelector == '(')
        {
            const bool bBrace = cSelector == '{';
            const unsigned char cClose = bBrace ? '}' : ')';
            for (;;)
            {
                if (i >= n)
                {
                    strMessage = bBrace ? "Closing '}' not found." : "";
                    return false;
                }
                const auto ch = static_cast<unsigned char>(text[i]);
                if (ch == cClose)
                {
                    ++i;
                    break;
                }
                if (!IsNameChar(ch))
                {
                    strMessage = "Invalid character " + CharAt(text, i) +
                                 " found in environment variable name";
                    return false;
                }
                strName += char(ch);
                ++i;
            }
            if (strName.empty() || !LookupName(strName, strValue, services))
            {
                strMessage =
                    "Environment Variable " + strName + (bBrace ? " not set" : " not set.");
                return false;
            }
            Substitute(strResult, strValue);
        }
        else if (IsNameChar(cSelector))
        {
            strName += char(cSelector);
            while (i < n && IsNameChar(static_cast<unsigned char>(text[i])))
                strName += text[i++];
            if (!LookupName(strName, strValue, services))
            {
                strMessage = "Environment variable " + strName + " not set.";
                return false;
            }
            Substitute(strResult, strValue);
            // The character that ended the name is copied as it is, even a '$'.
            if (i < n)
                strResult += text[i++];
        }
        else
        {
            strMessage = "Invalid character " + CharAt(text, i - 1) + " found after '${'";
            return false;
        }
    }
    return true;
}
} // namespace

const char* LookupInstallRoot(const char* pszName, std::string& buffer)
{
    return LookupInstallRoot(pszName, buffer, CCoreServices::Default());
}

const char* LookupInstallRoot(const char* pszName, std::string& buffer,
                              const CCoreServices& services)
{
    if (!pszName || std::strcmp(pszName, kInstallRootName) != 0 || !services.m_fnInstallRoot)
        return nullptr;
    char* pszRoot = services.m_fnInstallRoot();
    if (!pszRoot)
        return nullptr;
    buffer.assign(pszRoot);
    std::free(pszRoot);
    return buffer.c_str();
}

int ExpandEnvVars(const char* pszText, const char** ppszResult, const char** ppszMessage)
{
    return ExpandEnvVars(pszText, ppszResult, ppszMessage, CCoreServices::Default());
}

int ExpandEnvVars(const char* pszText, const char** ppszResult, const char** ppszMessage,
                  const CCoreServices& services)
{
    if (!pszText || !ppszResult)
    {
        t_strResult.clear();
        t_strMessage.clear();
        return 0;
    }
    // Built aside and swapped in, so a text that points into the previous
    // result is read whole before that result goes.
    std::string strResult;
    std::string strMessage;
    const bool bOk = Expand(pszText, strResult, strMessage, services);
    t_strResult.swap(strResult);
    t_strMessage.swap(strMessage);
    if (!bOk)
    {
        if (ppszMessage)
            *ppszMessage = t_strMessage.c_str();
        return 0;
    }
    *ppszResult = t_strResult.c_str();
    return 1;
}

bool ExpandEnvVars(const QString& strText, QString& strResult, QString& strMessage,
                   const CCoreServices& services)
{
    const QByteArray text = strText.toUtf8();
    std::string strOut;
    std::string strError;
    if (!Expand(std::string_view(text.constData(), std::size_t(text.size())), strOut, strError,
                services))
    {
        strMessage = QString::fromStdString(strError);
        return false;
    }
    strResult = QString::fromStdString(strOut);
    return true;
}
