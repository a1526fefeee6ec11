#pragma once

// The maker's lines shown on the splash and in the about window.
namespace vexlin::maker {

inline constexpr const char* kLine = "Vexlin Lab";
inline constexpr const char* kSecondLine = "2026";
inline constexpr const char* kSite = "https://vexlin.org/";
inline constexpr const char* kSiteCaption = "vexlin.org";
inline constexpr const char* kSupport = "https://vexlin.org/support";
inline constexpr const char* kSupportCaption = "Поддержка пользователей";

} // namespace vexlin::maker
