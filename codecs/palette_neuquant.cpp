// The colour network behind palette reduction: 2^depth neurons of four
// values (alpha, red, green, blue) that learn from a sample of the pixels,
// then an ordering by green for fast nearest-colour search.

#include <cmath>
#include <initializer_list>

#include "codecs/palette.h"
#include "codecs/palette_neuquant.h"

namespace {

constexpr double INITIAL_LEARNING_RATE = 1024.0;
constexpr int INITIAL_RADIUS = 32;
constexpr double FAR_AWAY = 1073741824.0;  // 2^30: larger than any distance

// Colour value of the network (gamma space) back to a byte: 0 for negative
// values, at most 255.
int inverse_gamma(double v) {
    if (!(v > 0)) return 0;
    double x = std::floor(std::pow(v / 255.0, PALETTE_GAMMA) * 256.0);
    return x > 255 ? 255 : static_cast<int>(x);
}

int out_alpha(double v) {
    if (!(v > 0)) return 0;
    double x = std::floor(v / 255.0 * 256.0);
    return x > 255 ? 255 : static_cast<int>(x);
}

// Neighbourhood learning rates for the current radius and learning rate; the
// share falls from full at the chosen neuron to 0 at the radius.
void set_radius_powers(NeuQuantNet* net, int rad, double rate) {
    int64_t rad2 = static_cast<int64_t>(rad) * rad;
    for (int k = 0; k < NEUQUANT_RADIUS_POWERS; ++k) {
        net->radius_power[k] =
            k < rad ? std::floor(static_cast<double>(((rad2 - static_cast<int64_t>(k) * k) * 256) / rad2) * rate)
                    : 0.0;
    }
}

// Finds the neuron closest to the sample and the one that should move to it
// (closest once the bias against often-winning neurons is counted).
int contest(NeuQuantNet* net, const double sample[4]) {
    const double a = sample[0];
    const double w = 1.0 - (1.0 - a / 255.0) * (1.0 - a / 255.0);
    double best = FAR_AWAY, best_biased = FAR_AWAY;
    int closest = 0, chosen = 0;
    const int n = static_cast<int>(net->size);
    for (int i = 0; i < n; ++i) {
        const double* v = net->neurons[i];
        double dist = std::fabs(v[3] - sample[3]) * w + std::fabs(v[1] - sample[1]) * w +
                      std::fabs(v[2] - sample[2]) * w + std::fabs(v[0] - a);
        if (dist < best) {
            best = dist;
            closest = i;
        }
        double biased = dist - net->bias[i];
        if (biased < best_biased) {
            best_biased = biased;
            chosen = i;
        }
        double loss = net->frequency[i] / 1024.0;
        net->frequency[i] -= loss;
        net->bias[i] += loss * 1024.0;
    }
    net->frequency[closest] += 1.0 / 1024.0;
    net->bias[closest] -= 1.0;
    return chosen;
}

void move_neighbours(NeuQuantNet* net, int chosen, int rad, const double sample[4]) {
    const int n = static_cast<int>(net->size);
    const int last = rad < NEUQUANT_RADIUS_POWERS ? rad : NEUQUANT_RADIUS_POWERS;
    // radius_power[rad] is 0, so k = rad would change nothing.
    for (int k = 1; k < last; ++k) {
        const double share = net->radius_power[k] / 262144.0;
        for (int j : {chosen + k, chosen - k}) {
            if (j < 0 || j >= n) continue;
            double* v = net->neurons[j];
            for (int c = 0; c < 4; ++c) v[c] -= (v[c] - sample[c]) * share;
        }
    }
}

}  // namespace

void neuquant_setup(NeuQuantNet* net, const uint8_t* pixels, uint64_t length, uint32_t size) {
    net->pixels = pixels;
    net->length = length;
    net->size = size;
    for (int i = 0; i < 256; ++i)
        net->gamma_table[i] = std::floor(std::pow(i / 255.0, 1.0 / PALETTE_GAMMA) * 255.0 + 0.5);
    for (uint32_t j = 0; j < size; ++j) {
        double grey = net->gamma_table[j * 256 / size];
        net->neurons[j][0] = j <= 15 ? j * 16.0 : 255.0;
        net->neurons[j][1] = net->neurons[j][2] = net->neurons[j][3] = grey;
        net->bias[j] = 0.0;
        net->frequency[j] = 1.0 / size;
    }
}

void neuquant_train(NeuQuantNet* net, int32_t sampling) {
    const uint64_t length = net->length;
    if (length < 4) return;
    const uint64_t samples = length / (4 * static_cast<uint64_t>(sampling));
    uint64_t delta = samples / 100;
    if (delta == 0) delta = 1;
    const double divisor = 30 + (sampling - 1) / 3;
    double rate = INITIAL_LEARNING_RATE;
    double radius = INITIAL_RADIUS;
    int rad = INITIAL_RADIUS;
    set_radius_powers(net, rad, rate);

    // A prime step that does not divide the picture keeps the sample from
    // falling into the same columns again and again.
    uint64_t step = 4 * 499;
    if (length % 499 == 0) {
        step = 4 * 491;
        if (length % 491 == 0) {
            step = 4 * 487;
            if (length % 487 == 0) step = 4 * 503;
        }
    }

    const double* g = net->gamma_table;
    uint64_t pos = 0;
    for (uint64_t i = 1; i <= samples; ++i) {
        const uint8_t* p = net->pixels + pos;
        double sample[4] = {static_cast<double>(p[3]), 0.0, 0.0, 0.0};
        if (p[3] != 0) {
            sample[1] = g[p[2]];
            sample[2] = g[p[1]];
            sample[3] = g[p[0]];
        }
        int chosen = contest(net, sample);
        double* v = net->neurons[chosen];
        for (int c = 0; c < 4; ++c) v[c] -= (v[c] - sample[c]) * rate / 1024.0;
        if (rad >= 2) move_neighbours(net, chosen, rad, sample);

        pos = (pos + step) % length;

        if (i % delta == 0) {
            rate -= rate / divisor;
            radius -= radius / 30.0;
            rad = static_cast<int>(radius);
            if (rad < 2) rad = 0;
            set_radius_powers(net, rad, rate);
        }
    }
}

void neuquant_build_search(NeuQuantNet* net) {
    const int n = static_cast<int>(net->size);
    const double* g = net->gamma_table;
    for (int i = 0; i < n; ++i) {
        const double* v = net->neurons[i];
        net->search[i][0] = static_cast<uint8_t>(g[inverse_gamma(v[3])]);
        net->search[i][1] = static_cast<uint8_t>(g[inverse_gamma(v[2])]);
        net->search[i][2] = static_cast<uint8_t>(g[inverse_gamma(v[1])]);
        net->search[i][3] = static_cast<uint8_t>(out_alpha(v[0]));
    }

    // Selection sort by green; neurons move with their search entries so
    // that palette index and search position agree.
    for (int i = 0; i < n; ++i) {
        int smallest = i;
        for (int j = i + 1; j < n; ++j)
            if (net->search[j][1] < net->search[smallest][1]) smallest = j;
        if (smallest == i) continue;
        for (int c = 0; c < 4; ++c) {
            uint8_t e = net->search[i][c];
            net->search[i][c] = net->search[smallest][c];
            net->search[smallest][c] = e;
            double d = net->neurons[i][c];
            net->neurons[i][c] = net->neurons[smallest][c];
            net->neurons[smallest][c] = d;
        }
    }

    int previous = 0, start = 0;
    for (int i = 0; i < n; ++i) {
        int c = net->search[i][1];
        if (c == previous) continue;
        net->green_index[previous] = (start + i) / 2;
        for (int k = previous + 1; k < c; ++k) net->green_index[k] = i;
        previous = c;
        start = i;
    }
    net->green_index[previous] = (start + n - 1) / 2;
    for (int k = previous + 1; k < 256; ++k) net->green_index[k] = n - 1;
}

void neuquant_palette(const NeuQuantNet* net, uint8_t palette[][4]) {
    for (uint32_t i = 0; i < net->size; ++i) {
        const double* v = net->neurons[i];
        palette[i][0] = static_cast<uint8_t>(inverse_gamma(v[3]));
        palette[i][1] = static_cast<uint8_t>(inverse_gamma(v[2]));
        palette[i][2] = static_cast<uint8_t>(inverse_gamma(v[1]));
        palette[i][3] = static_cast<uint8_t>(out_alpha(v[0]));
    }
}

int32_t neuquant_search(const NeuQuantNet* net, int alpha, int red, int green, int blue) {
    int r = 0, gr = 0, b = 0;
    if (alpha != 0) {
        r = static_cast<int>(net->gamma_table[red]);
        gr = static_cast<int>(net->gamma_table[green]);
        b = static_cast<int>(net->gamma_table[blue]);
    }
    const double t = 1.0 - alpha / 255.0;
    const double w = 1.0 - t * t;
    const int n = static_cast<int>(net->size);
    int up = net->green_index[gr];
    int down = up - 1;
    double best = FAR_AWAY;
    int result = 0;

    // False once the green difference alone rules out every entry further
    // along, which ends the whole search.
    auto look = [&](int i) {
        const uint8_t* e = net->search[i];
        double dg = e[1] - gr;
        double green_part = w * dg * dg;
        if (green_part > best) return false;
        double db = e[0] - b, dr = e[2] - r, da = e[3] - alpha;
        double dist = w * (dg * dg + db * db + dr * dr) + da * da;
        if (dist < best) {
            best = dist;
            result = i;
        }
        return true;
    };

    while (up < n || down >= 0) {
        if (up < n) {
            if (!look(up)) break;
            ++up;
        }
        if (down >= 0) {
            if (!look(down)) break;
            --down;
        }
    }
    return result;
}
