// SPDX-License-Identifier: MIT
#include "grid/GridRegistry.h"
#include "grid/GridBase.h"

#include <QByteArray>
#include <QHash>
#include <QPair>

#include <stdexcept>
#include <unordered_map>

namespace physprops::ui
{
namespace
{
bool g_bGridLibraryReady = false;

using Key = QPair<const void*, QByteArray>;

QHash<Key, GridWindowProc>& Classes()
{
    static QHash<Key, GridWindowProc> s_classes;
    return s_classes;
}

QHash<QByteArray, int>& Counts()
{
    static QHash<QByteArray, int> s_counts;
    return s_counts;
}

std::unordered_map<const CGridBase*, quint16>& SelfDeletingGrids()
{
    static std::unordered_map<const CGridBase*, quint16> s_map;
    return s_map;
}

char g_moduleAnchor;
} // namespace

const void* BackendInstance()
{
    return &g_moduleAnchor;
}

bool RegisterGridClass(const void* hInstance, const char* pszName, GridWindowProc proc)
{
    if (!pszName || !*pszName || !proc)
        return false;
    Classes().insert(Key(hInstance, QByteArray(pszName)), proc);
    ++Counts()[QByteArray(pszName)];
    return true;
}

bool IsGridClassRegistered(const void* hInstance, const char* pszName)
{
    return pszName && Classes().contains(Key(hInstance, QByteArray(pszName)));
}

void UnregisterGridClass(const void* hInstance, const char* pszName)
{
    if (pszName)
        Classes().remove(Key(hInstance, QByteArray(pszName)));
}

QWidget* CreateGridWindow(const char* pszClassName, QWidget* pWindow, const void* hInstance)
{
    if (!pszClassName || !pWindow)
        return nullptr;
    const auto it = Classes().constFind(Key(hInstance, QByteArray(pszClassName)));
    return it == Classes().constEnd() ? nullptr : (*it)(pWindow);
}

int GridClassRegistrationCount(const char* pszName)
{
    return pszName ? Counts().value(QByteArray(pszName)) : 0;
}

void MarkSelfDeletingGrid(const CGridBase* pGrid)
{
    SelfDeletingGrids()[pGrid] = 1;
}

bool ForgetSelfDeletingGrid(const CGridBase* pGrid)
{
    return SelfDeletingGrids().erase(pGrid) != 0;
}
} // namespace physprops::ui

void GXInit(unsigned, const char*, const char*)
{
    physprops::ui::g_bGridLibraryReady = true;
}

bool physprops::ui::GXIsInitialized()
{
    return g_bGridLibraryReady;
}
