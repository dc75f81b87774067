#version 450
// Flat-coloured 2D shapes: the vertex colour as it stands.

layout(location = 0) in vec4 vert_color;
layout(location = 0) out vec4 color;

void main() {
    color = vert_color;
}
