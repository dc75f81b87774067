// The one translation unit that holds stb_image's code. Images are decoded from memory only.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#include <stb/stb_image.h>
