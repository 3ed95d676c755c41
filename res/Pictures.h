#pragma once

// Resource paths of the program's pictures (compiled in from res/pictures/), by the
// picture numbers the windows use.
namespace quillon::pictures {

inline constexpr int kAppIcon = 128;
inline constexpr int kTile128 = 132;
inline constexpr int kTile239x146 = 133;
inline constexpr int kTile100 = 134;
inline constexpr int kSplash = 141;
inline constexpr int kTile64 = 142;

inline constexpr const char* kAppIconPath = ":/pictures/quillon.png";
inline constexpr const char* kTile128Path = ":/pictures/tile128.png";
inline constexpr const char* kTile239x146Path = ":/pictures/tile239x146.png";
inline constexpr const char* kTile100Path = ":/pictures/tile100.png";
inline constexpr const char* kSplashPath = ":/pictures/splash.bmp";
inline constexpr const char* kTile64Path = ":/pictures/tile64.png";

inline constexpr const char* kGrabIconPath = ":/pictures/grab.png";
inline constexpr const char* kGrabHotIconPath = ":/pictures/grab-hot.png";
inline constexpr const char* kOkIconPath = ":/pictures/ok.png";
inline constexpr const char* kCancelIconPath = ":/pictures/cancel.png";

// The folder tree's seven images, in image-list order.
inline constexpr const char* kTreeImagePaths[7] = {
    ":/pictures/drive-removable.png", ":/pictures/drive-fixed.png", ":/pictures/drive-optical.png",
    ":/pictures/drive-network.png",   ":/pictures/folder.png",      ":/pictures/document.png",
    ":/pictures/computer.png",
};

// The resource path of a numbered picture; empty text for an unknown number.
constexpr const char* PicturePath(int id)
{
    switch (id) {
    case kAppIcon: return kAppIconPath;
    case kTile128: return kTile128Path;
    case kTile239x146: return kTile239x146Path;
    case kTile100: return kTile100Path;
    case kSplash: return kSplashPath;
    case kTile64: return kTile64Path;
    default: return "";
    }
}

} // namespace quillon::pictures
