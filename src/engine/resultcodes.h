#pragma once

namespace tovo {

// The label that explains an engine result code; 272 (unexpected error) for
// any code without a label of its own, 0 included.
int LabelOfResultCode(int code);

} // namespace tovo
