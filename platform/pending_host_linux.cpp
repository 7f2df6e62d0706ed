// PLACEHOLDER: deleted when the Linux platform lands.
#include "platform/platform.h"
namespace zarvo {
std::unique_ptr<Platform> CreateHostPlatform() { return nullptr; }
}  // namespace zarvo
