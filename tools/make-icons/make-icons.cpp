// Draws the control window's button icons (resources 118 to 130) and writes them as
// 32 x 32, 16-colour .ico files: a black glyph about 8 pixels high, centred on a
// transparent background. Run it to remake the icons: make-icons <resources folder>.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int Size = 32;

struct Glyph {
    bool on[Size][Size] = {};  // [y][x], y downward
    void Set(int x, int y) {
        if (x >= 0 && x < Size && y >= 0 && y < Size) on[y][x] = true;
    }
    void Fill(int x0, int y0, int x1, int y1) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Set(x, y);
    }
};

const int Top = 12;  // glyph rows 12 .. 19 (8 pixels), centred on the 20 x 20 button face

// A triangle 4 pixels wide and 8 high whose tip points left or right.
void Triangle(Glyph* g, int x0, bool pointsRight) {
    for (int i = 0; i < 8; ++i) {
        int k = i < 4 ? i : 7 - i;  // 0 at the ends, 3 in the middle
        if (pointsRight) {
            g->Fill(x0, Top + i, x0 + k, Top + i);
        } else {
            g->Fill(x0 + 3 - k, Top + i, x0 + 3, Top + i);
        }
    }
}

void Triangles(Glyph* g, int count, bool pointsRight) {
    int start = Size / 2 - count * 2;
    for (int i = 0; i < count; ++i) Triangle(g, start + i * 4, pointsRight);
}

void Bar(Glyph* g, int x) {
    g->Fill(x, Top, x + 1, Top + 7);
}

void Shaft(Glyph* g, int x0, int x1) {
    g->Fill(x0, Top + 3, x1, Top + 4);
}

void CircularArrow(Glyph* g) {
    const double cx = 15.5, cy = 15.5;
    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x) {
            double dx = x - cx, dy = y - cy;
            double r = std::sqrt(dx * dx + dy * dy);
            bool gap = dx > 0 && dy < 0 && dx > -dy * 0.4;  // an opening at the upper right
            if (r >= 2.5 && r <= 4.2 && !gap) g->Set(x, y);
        }
    }
    // The arrowhead at the end of the ring, pointing into the opening.
    g->Fill(17, 11, 20, 11);
    g->Fill(18, 12, 19, 12);
    g->Set(19, 13);
}

Glyph Draw(int id) {
    Glyph g;
    switch (id) {
    case 118: Triangles(&g, 1, false); break;
    case 119: Triangles(&g, 2, false); break;
    case 120: Triangles(&g, 3, false); break;
    case 121: Bar(&g, 12); Triangle(&g, 15, false); break;
    case 122: Triangles(&g, 1, true); break;
    case 123: Triangles(&g, 2, true); break;
    case 124: Triangles(&g, 3, true); break;
    case 125: Triangle(&g, 13, true); Bar(&g, 18); break;
    case 126: CircularArrow(&g); break;
    case 127: Bar(&g, 10); Shaft(&g, 12, 16); Triangle(&g, 17, true); break;
    case 128: Shaft(&g, 10, 14); Triangle(&g, 14, true); Bar(&g, 19); break;
    case 129: g.Fill(12, Top + 3, 19, Top + 4); break;
    case 130: g.Fill(12, Top + 3, 19, Top + 4); g.Fill(15, Top, 16, Top + 7); break;
    }
    return g;
}

void Put16(std::vector<uint8_t>* out, unsigned v) {
    out->push_back((uint8_t)v);
    out->push_back((uint8_t)(v >> 8));
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// An .ico file with one 32 x 32 image of 4 bits per pixel and its transparency mask.
std::vector<uint8_t> EncodeIcon(const Glyph& g) {
    const uint32_t colourBytes = Size * Size / 2;  // 4 bits per pixel; rows of 16 bytes
    const uint32_t maskBytes = Size * Size / 8;    // 1 bit per pixel; rows of 4 bytes
    const uint32_t imageBytes = 40 + 16 * 4 + colourBytes + maskBytes;
    std::vector<uint8_t> out;
    Put16(&out, 0);  // icon directory: reserved, type 1 (icon), one image
    Put16(&out, 1);
    Put16(&out, 1);
    out.push_back(Size);  // directory entry: width, height, 16 colours, reserved
    out.push_back(Size);
    out.push_back(16);
    out.push_back(0);
    Put16(&out, 1);  // planes
    Put16(&out, 4);  // bits per pixel
    Put32(&out, imageBytes);
    Put32(&out, 6 + 16);
    Put32(&out, 40);  // bitmap header; the height counts the colour and mask bitmaps
    Put32(&out, Size);
    Put32(&out, Size * 2);
    Put16(&out, 1);
    Put16(&out, 4);
    Put32(&out, 0);
    Put32(&out, colourBytes + maskBytes);
    Put32(&out, 0);
    Put32(&out, 0);
    Put32(&out, 16);
    Put32(&out, 0);
    // The standard 16-colour palette (blue, green, red, 0); index 0 is black.
    static const uint8_t Palette[16][3] = {
        {0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128}, {128, 0, 0},   {128, 0, 128},
        {128, 128, 0},   {192, 192, 192}, {128, 128, 128}, {0, 0, 255}, {0, 255, 0},  {0, 255, 255},
        {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
    for (const auto& colour : Palette) {
        out.push_back(colour[2]);
        out.push_back(colour[1]);
        out.push_back(colour[0]);
        out.push_back(0);
    }
    // Rows bottom-up. Glyph pixels are black (index 0); elsewhere the mask shows through.
    for (int y = Size - 1; y >= 0; --y) {
        for (int x = 0; x < Size; x += 2) out.push_back(0x00);
    }
    for (int y = Size - 1; y >= 0; --y) {
        for (int x = 0; x < Size; x += 8) {
            uint8_t bits = 0;
            for (int b = 0; b < 8; ++b) {
                if (!g.on[y][x + b]) bits |= (uint8_t)(0x80 >> b);  // 1: transparent
            }
            out.push_back(bits);
        }
    }
    return out;
}

}  // namespace

struct IconFile {
    int id;
    const char* name;
};
static const IconFile Icons[] = {
    {118, "back-1.ico"},     {119, "back-2.ico"},     {120, "back-3.ico"},   {121, "jump-start.ico"},
    {122, "forward-1.ico"},  {123, "forward-2.ico"},  {124, "forward-3.ico"}, {125, "jump-end.ico"},
    {126, "loop.ico"},       {127, "loop-start.ico"}, {128, "loop-end.ico"}, {129, "slower.ico"},
    {130, "faster.ico"},
};

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : "resources";
    for (const IconFile& icon : Icons) {
        std::vector<uint8_t> bytes = EncodeIcon(Draw(icon.id));
        std::string path = folder + "/" + icon.name;
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0) {
            std::fprintf(stderr, "make-icons: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s (%d): %zu bytes\n", path.c_str(), icon.id, bytes.size());
    }
    return 0;
}
