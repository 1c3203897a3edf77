#pragma once

namespace kestra {

class FormRegistry;

// Registers the forms of the compact stacks and the virtual shelves.
void registerShelvingForms(FormRegistry &registry);

} // namespace kestra
