// SPDX-License-Identifier: MIT
// host-consumer [--ok] [PROJECT.ini]: shows the module's dialog on two
// properties and prints them when it closes. --ok presses OK once the dialog
// is up (for unattended runs), once it has checked that the dialog's
// widgets cast to their Qt classes. Exit 0 on OK, 1 on Cancel, 2 on failure.
#include "entry/BackEndMain.h"
#include "harbex/ToolManager.h"
#include "project/ProjectFile.h"
#include "project/SpiProject.h"

#include <QApplication>
#include <QLibrary>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace
{
// Found by name alone: a cast on the way could be the very thing that fails.
QObject* ChildNamed(const QObject* pParent, const QString& strName)
{
    for (QObject* pChild : pParent->children())
    {
        if (pChild->objectName() == strName)
            return pChild;
        if (QObject* pFound = ChildNamed(pChild, strName))
            return pFound;
    }
    return nullptr;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv); // before SetValues and StartBackEnd
    QStringList args = app.arguments().mid(1);
    const bool bPressOK = args.removeAll(QStringLiteral("--ok")) > 0;

    QLibrary lib(QStringLiteral(PHYSPROPS_MODULE));
    const auto* pClass = reinterpret_cast<const CRuntimeClass*>(lib.resolve("classCBackEndMain"));
    if (!pClass || !pClass->m_pfnCreateObject)
    {
        std::fprintf(stderr, "host-consumer: %s\n", qUtf8Printable(lib.errorString()));
        return 2;
    }
    std::unique_ptr<CBackEndMain> pMain(static_cast<CBackEndMain*>(pClass->m_pfnCreateObject()));
    CSpiProject project; // the host owns the project, the values and the tools
    if (!args.isEmpty())
        if (const CProjectFileResult read = LoadProjectFile(args.first(), project); !read.bOk)
        {
            std::fprintf(stderr, "host-consumer: %s\n", qUtf8Printable(read.strError));
            return 2;
        }
    if (!pMain)
        return 2;

    CProperty jedec(QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8"));
    CProperty alt(QStringLiteral("ALT_SYMBOLS"), QStringLiteral("(Top:SOIC8;DIP8)"));
    CPropertyArray values{&jedec, &alt};
    CToolManager tools; // companions it starts outlive it
    pMain->SetToolObject(&tools);
    pMain->SetProjectFile(project.GetProjectPath());
    pMain->SetValues(&values, args.isEmpty() ? nullptr : &project);

    // A host compiled as a position-independent executable without -fPIC
    // copies Qt's class data into itself: the host and the module then cast
    // against the copy while Qt's widgets name the original, and every cast
    // of a widget fails, the module's own too (its "Details..." buttons went
    // missing). physprops.pc and the CMake package give -fPIC; this tells a
    // build that lost it.
    bool bCastFailed = false;
    QTimer pressOK; // until the dialog is up
    QObject::connect(&pressOK, &QTimer::timeout,
                     [&pressOK, &bCastFailed]
                     {
                         QWidget* pDialog = QApplication::activeModalWidget();
                         QObject* pOK =
                             pDialog ? ChildNamed(pDialog, QStringLiteral("btnOK")) : nullptr;
                         if (!pOK)
                             return;
                         pressOK.stop();
                         if (auto* pButton = qobject_cast<QPushButton*>(pOK))
                             return pButton->click();
                         std::fprintf(stderr,
                                      "host-consumer: the dialog's %s does not cast to "
                                      "QPushButton: build the host with -fPIC, as "
                                      "physprops.pc gives it\n",
                                      pOK->metaObject()->className());
                         bCastFailed = true;
                         pDialog->close();
                     });
    if (bPressOK)
        pressOK.start(50);
    const int nResult = pMain->StartBackEnd(); // 1 OK, 2 Cancel, -1 failed
    pMain.reset();
    for (const CProperty* pProp : values) // changed only at OK
        std::printf("%s=%s\n", qUtf8Printable(pProp->GetName()), qUtf8Printable(pProp->GetValue()));
    if (bCastFailed)
        return 2;
    return nResult == 1 ? 0 : nResult == 2 ? 1 : 2;
}
