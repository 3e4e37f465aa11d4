// Linux has no private-profile functions: the emulation of the support layer over the files.
#include "platform/platform_faces.h"
#include "support/emulated_profile_file.h"

namespace mervolt {

ProfileFile& platform_profile_file() {
    static EmulatedProfileFile profile(platform_file_system());
    return profile;
}

}  // namespace mervolt
