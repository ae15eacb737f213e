#pragma once

// Tells the tool bar how to open the activity screens. They live in libraries above the tool bar's, so the
// program links them together here.
void registerScreenOpeners();
