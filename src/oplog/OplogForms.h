#pragma once

namespace kestra {

class FormRegistry;

// Registers the forms of this subsystem with the main window's registry.
void registerOplogForms(FormRegistry &registry);

} // namespace kestra
