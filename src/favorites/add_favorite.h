#pragma once

namespace kv {

class FavoritesHost;
class Form1;

// Favorites > Add to Favorites and Favorites > Show Favorites of one main window.
void attach_favorites_menu(Form1& form, FavoritesHost& host);

// Add to Favorites: the window's address text, or when that is empty the address the
// user types into the prompt, goes to the end of the favourites list. The favourites
// window is loaded for it if needed, without being shown. An empty answer adds nothing.
void add_to_favorites(Form1& form, FavoritesHost& host);

inline constexpr const char* kAddFavoritePrompt = "Enter website you wish to add to favorites";
inline constexpr const char* kAddFavoriteTitle = "Add";
inline constexpr const char* kAddFavoriteDefault = "www.";

}  // namespace kv
