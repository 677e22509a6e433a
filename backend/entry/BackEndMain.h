// SPDX-License-Identifier: MIT
#pragma once

#include "entry/ModuleExport.h"
#include "properties/Property.h"

#include <QObject>
#include <QString>
#include <QtGlobal>

// The module shows a host only what it calls (PHYSPROPS_MODULE_API);
// everything else stays inside.

namespace physprops::ui
{
class CServices;
}
class CSpiProject;
class CToolManager;
class QDataStream;

// The project file last given with SetProjectFile; nothing reads it.
PHYSPROPS_MODULE_API extern QString g_strProjectFile;

// A class record that a host finds by name ("classCBackEndMain") in the
// loaded module and creates the entry object from.
extern "C"
{
    struct CRuntimeClass
    {
        const char* m_lpszClassName;
        int m_nObjectSize;
        unsigned m_wSchema;
        QObject* (*m_pfnCreateObject)();
        const CRuntimeClass* m_pBaseClass;
    };

    PHYSPROPS_MODULE_API extern const CRuntimeClass classCBackEndMain;
    PHYSPROPS_MODULE_API extern const CRuntimeClass classCDocument;

    // The module's version ("0.2.0"), for a host that checks what it loaded
    // (resolved by name, "PhysPropsModuleVersion").
    PHYSPROPS_MODULE_API const char* PhysPropsModuleVersion(void);
}

// The entry object the host drives: construct (or CreateObject),
// SetToolObject, SetProjectFile, SetValues, StartBackEnd, destroy. The
// operations are virtual so that a host which loads the module at run time
// reaches them through the object alone.
class PHYSPROPS_MODULE_API CBackEndMain : public QObject
{
public:
    CBackEndMain();
    // With the outside world given (borrowed: it outlives the object) rather
    // than the real one.
    explicit CBackEndMain(const physprops::ui::CServices& services);
    ~CBackEndMain() override;
    CBackEndMain(const CBackEndMain&) = delete;
    CBackEndMain& operator=(const CBackEndMain&) = delete;

    static QObject* CreateObject();
    static const CRuntimeClass* GetThisClass() { return &classCBackEndMain; }
    static const CRuntimeClass* _GetBaseClass() { return &classCDocument; }
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCBackEndMain; }
    virtual void Serialize(QDataStream&) {}
    virtual int OnNewDocument() { return 1; }

    // 1 stored, 0 refused (null).
    virtual int SetToolObject(CToolManager* pToolManager);
    virtual void SetProjectFile(QString strProjectFile);
    virtual void SetValues(CPropertyArray* pValues, CSpiProject* pProject);
    // -1 without values or when the dialog cannot be created, else the dialog's result.
    virtual int StartBackEnd();

    CPropertyArray* m_pValues = nullptr;
    CSpiProject* m_pProject = nullptr;

private:
    const physprops::ui::CServices* m_pServices;
};

// The module's application object: sets up the grid library and the grid
// class names once a Qt application exists in the process.
class PHYSPROPS_MODULE_API CBackendApp
{
public:
    bool InitInstance();
    bool IsInitialized() const { return m_bInitialized; }
    static CBackendApp& Instance();

private:
    bool m_bInitialized = false;
};
