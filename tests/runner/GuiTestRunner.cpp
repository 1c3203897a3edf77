// The main of the gui test program: the same runner over a QApplication.
// A definition of its own file, not of the target, so that the program can
// reuse the precompiled header of its support library.
#define KESTRA_GUI_TESTS
#include "TestRunner.cpp"
