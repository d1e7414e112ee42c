// Loading and saving the images of a file-level stage, with the stage's messages.
#pragma once

#include "engine/image.h"
#include "engine/stage_host.h"

#include <string>

// Anything but a readable 24-bit image is a failed load, shown with the
// stage's own message unless the image is too large or memory ran out,
// which get a message naming the size.
bool LoadStageImage(CStageHost& host, const std::string& path, const char* loadMessage, CImage& image);

// Saves in the format of nSaveFormat; a failed save shows "Couldn't create file: <path>".
bool SaveStageImage(CStageHost& host, const CImage& image, const std::string& path, int nSaveFormat);

// "Couldn't create file: <path>".
std::string CreateFileMessage(const std::string& path);
