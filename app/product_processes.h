#pragma once
// Whether a process of the product family other than this one runs: the product's program
// or another installer of ours.
#include <string>

// `own_image` is this installer's file name. True when the process list cannot be read: the
// running-instance count is then believed.
bool product_family_process_alive(const std::wstring& own_image);

// Whether an executable's file name belongs to the product family.
bool is_product_family_image(const std::wstring& image, const std::wstring& own_image);
