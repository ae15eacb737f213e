#pragma once

// Tells the tool bar how to open the activity screens, and the screens how to bring the tool bar back. They live
// in libraries above the tool bar's, and do not link it, so the program links them together here.
void registerScreenOpeners();
