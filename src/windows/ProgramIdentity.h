#pragma once
// Who the program is: its version, and its one web site, which Help > Homepage and the about
// box's logo both open.

inline constexpr const char* ProgramWebSite = "https://www.glimmerdrome.example/";
inline constexpr const char* ProgramWebSiteHint = "Visit the Glimmerdrome web site";

// The version this build carries, "1.0.0" for example.
const char* ProgramVersion();
