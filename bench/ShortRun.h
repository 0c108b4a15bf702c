#pragma once
// Every bench program takes --short: the same steps on small sizes, so the test command can
// show that each still runs to its end. Figures of a short run mean nothing.

// True when "--short" is among the arguments; it is taken out, so the rest read as before.
bool takeShortRun(int& argc, char** argv);
