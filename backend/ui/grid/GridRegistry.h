// SPDX-License-Identifier: MIT
#pragma once

#include "ui/UiExport.h"

#include <QWidget>

namespace physprops::ui
{
class CGridBase;

// Grid classes can be created by name ("CPhysPropsGrid", "CSymbolGrid",
// "CLocGrid"), for hosts and form loaders that only know the name. A grid
// made that way belongs to the window it fills and dies with it.
using GridWindowProc = QWidget* (*)(QWidget* pWindow);

// This module's own instance handle.
PHYSPROPS_UI_EXPORT const void* BackendInstance();

// Registers a class name in an instance; false when the name is unusable.
PHYSPROPS_UI_EXPORT bool RegisterGridClass(const void* hInstance, const char* pszName,
                                           GridWindowProc proc);
PHYSPROPS_UI_EXPORT bool IsGridClassRegistered(const void* hInstance, const char* pszName);
PHYSPROPS_UI_EXPORT void UnregisterGridClass(const void* hInstance, const char* pszName);

// Creates the grid of a registered class inside pWindow; null when the
// class is unknown.
PHYSPROPS_UI_EXPORT QWidget* CreateGridWindow(const char* pszClassName, QWidget* pWindow,
                                              const void* hInstance = BackendInstance());

// How often a class name was actually registered (not just found).
PHYSPROPS_UI_EXPORT int GridClassRegistrationCount(const char* pszName);

// The grids created by class name, which their window owns: each is
// entered with the flag word 1 and deletes itself when its window ends.
void MarkSelfDeletingGrid(const CGridBase* pGrid);
// Takes a grid off that list; true when it was on it.
bool ForgetSelfDeletingGrid(const CGridBase* pGrid);
} // namespace physprops::ui
