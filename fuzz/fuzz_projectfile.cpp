// SPDX-License-Identifier: MIT
// The project-file reader on any bytes, then every program and directive it
// made read back as the module reads them. A file is either read or refused
// with "NAME:LINE: ..." (or "NAME: ...") naming a line the file has; what was
// read, written back plainly, reads the same.
#include "FuzzSupport.h"
#include "project/ExpandEnvVars.h"
#include "project/ProjectFile.h"
#include "project/SpiProject.h"

#include <cctype>
#include <cstdlib>

namespace
{
// The name as the file spells it: "[NAME]" for a program, NAME then blanks
// and '=' or ':' for a directive. A name cut short is not spelt so.
bool Spelt(const QByteArray& text, const QByteArray& name, bool bProgram)
{
    if (bProgram)
        return text.contains(QByteArray('[' + name + ']'));
    for (qsizetype i = text.indexOf(name); i >= 0; i = text.indexOf(name, i + 1))
    {
        qsizetype j = i + name.size();
        while (j < text.size() && std::isspace(static_cast<unsigned char>(text[j])))
            ++j;
        if (j < text.size() && (text[j] == '=' || text[j] == ':'))
            return true;
    }
    return false;
}

// Every program with a header, every value on a line of its own.
QByteArray Written(const CSpiProject& project)
{
    QByteArray text;
    for (const auto& pProgram : project.m_programs.m_nodes)
    {
        text += '[' + pProgram->m_strName.toUtf8() + "]\n";
        for (const auto& pDirective : pProgram->m_directives.m_nodes)
            for (const QString& strValue : pDirective->ActiveList()->m_values)
                text += pDirective->m_strName.toUtf8() + '=' + strValue.toUtf8() + '\n';
    }
    return text;
}

QStringList Contents(const CSpiProject& project)
{
    QStringList out{QString::number(project.m_bExpandVars)};
    for (const auto& pProgram : project.m_programs.m_nodes)
        for (const auto& pDirective : pProgram->m_directives.m_nodes)
            out << pProgram->m_strName << pDirective->m_strName
                << pDirective->ActiveList()->m_values.join(QChar(0));
    return out;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("FZ", "/f/", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const QByteArray text(reinterpret_cast<const char*>(pData), qsizetype(nSize));
    CSpiProject project;
    const CProjectFileResult r = LoadProjectText(text, QStringLiteral("fuzz.ini"), project);
    FUZZ_CHECK(r.bOk == r.strError.isEmpty());
    if (!r.bOk)
    {
        FUZZ_CHECK(r.nLine >= 0 && r.nLine <= text.count('\n') + 1);
        const QString strWhere = r.nLine > 0 ? QStringLiteral("fuzz.ini:%1: ").arg(r.nLine)
                                             : QStringLiteral("fuzz.ini: ");
        FUZZ_CHECK(r.strError.startsWith(strWhere));
        FUZZ_CHECK(r.strError.size() > strWhere.size());
        return 0;
    }

    // Names and values are read whole, neither cut short, split nor merged.
    if (!project.m_programs.m_nodes.empty())
    {
        CSpiProject again;
        FUZZ_CHECK(LoadProjectText(Written(project), QStringLiteral("again.ini"), again).bOk);
        FUZZ_CHECK(Contents(again) == Contents(project));
    }

    // A lookup that fails names what was asked for, whole.
    const QString strMissing = QString::fromUtf8(text.left(600)) + u'#';
    if (project.SelectProgram(strMissing) != 0)
        FUZZ_CHECK(GetLastSpiNote().contains(strMissing));

    const bool bUtf8 = QString::fromUtf8(text).toUtf8() == text;
    for (const auto& pProgram : project.m_programs.m_nodes)
    {
        FUZZ_CHECK(pProgram != nullptr);
        if (bUtf8 && !pProgram->m_strName.isEmpty())
            FUZZ_CHECK(Spelt(text, pProgram->m_strName.toUtf8(), true));
        FUZZ_CHECK(project.SelectProgram(pProgram->m_strName) == 0);
        for (const auto& pDirective : pProgram->m_directives.m_nodes)
        {
            FUZZ_CHECK(pDirective != nullptr && !pDirective->m_strName.isEmpty());
            if (bUtf8)
                FUZZ_CHECK(Spelt(text, pDirective->m_strName.toUtf8(), false));
            QString strValue;
            // A name that differs only in case from an earlier one finds that one.
            if (project.ReadDirective(pDirective->m_strName, strValue) != 0)
                continue;
            // Reading runs to the end of the list and stops there.
            int nRead = 0;
            while (nRead < 100000 && project.NextValue(strValue) != 2)
                ++nRead;
            FUZZ_CHECK(nRead < 100000);
        }
    }
    return 0;
}
