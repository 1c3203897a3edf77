#pragma once

namespace kestra {

class FormRegistry;

// Registers every form the program has: each subsystem's registration in
// turn. The composition root and the tests that open the real main window
// call it.
void registerForms(FormRegistry &registry);

} // namespace kestra
