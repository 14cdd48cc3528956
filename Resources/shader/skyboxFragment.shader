#version 430 core
// The face images are already display-encoded, like the scene target they are drawn into. Toward the horizon
// the sky sinks into the grounds' mist, the same colour the scene's distance fades to.
in vec3 direction;

uniform samplerCube skybox;

out vec4 fragColor;

// As in fragment.shader.
const vec3 MOON_DIRECTION = vec3(-0.1200, 0.3001, -0.9463);
const vec3 MIST_COLOUR = vec3(0.050, 0.066, 0.110);
const vec3 MIST_MOON_GLOW = vec3(0.08, 0.09, 0.12);
// Height of the view direction (its sine) up to which the mist covers the sky, and how much of it at most.
const float MIST_TOP = 0.18;
const float MIST_COVER = 0.85;
// High overhead the night deepens toward black, so the moonlit mist below stands out.
const float ZENITH_SHARE = 0.4;

vec3 toLinear(vec3 c) {
    return mix(c / 12.92, pow((c + 0.055) / 1.055, vec3(2.4)), step(0.04045, c));
}

vec3 toDisplay(vec3 c) {
    return mix(c * 12.92, 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055, step(0.0031308, c));
}

vec3 mistColour(vec3 view) {
    float moon = max(dot(view, MOON_DIRECTION), 0.0);
    moon *= moon;
    moon *= moon;
    return MIST_COLOUR + MIST_MOON_GLOW * (moon * moon);
}

void main() {
    vec3 view = normalize(direction);
    vec3 sky = toLinear(texture(skybox, direction).rgb) * mix(1.0, ZENITH_SHARE, smoothstep(0.2, 0.8, view.y));
    float low = 1.0 - smoothstep(-0.02, MIST_TOP, view.y);
    fragColor = vec4(toDisplay(mix(sky, mistColour(view), MIST_COVER * low)), 1.0);
}
