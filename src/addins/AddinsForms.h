#pragma once

namespace kestra {

class FormRegistry;

// Registers the forms of this subsystem with the main window's registry.
void registerAddinsForms(FormRegistry &registry);

} // namespace kestra
