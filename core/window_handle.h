#pragma once
// A window of the system as portable code holds it: passed along, never looked into.
namespace qm {

using WindowHandle = void*;

} // namespace qm
