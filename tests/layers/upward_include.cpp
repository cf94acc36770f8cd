// Compiled against one layer with a header of a layer above it: the build
// must not find that header (see CMakeLists.txt here).
#include QUILLET_UPWARD_HEADER
