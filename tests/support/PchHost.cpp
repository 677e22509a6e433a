// SPDX-License-Identifier: MIT
// Only carries the precompiled headers the tests share; main() comes from
// the test support library.
