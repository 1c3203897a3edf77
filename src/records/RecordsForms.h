#pragma once

namespace kestra {

class FormRegistry;

// frmBookInfo, the record information window.
void registerRecordsForms(FormRegistry &registry);

} // namespace kestra
