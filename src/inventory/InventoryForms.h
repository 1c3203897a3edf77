#pragma once

namespace kestra {

class FormRegistry;

// Registers the stock-taking forms with the main window's registry.
void registerInventoryForms(FormRegistry &registry);

} // namespace kestra
