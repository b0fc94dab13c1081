#include "wavsink/sample_volume.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VELTRA_X86_VOLUME 1
#endif

// Sixteen-bit lanes throughout. With volume = 100a + b (0 <= b < 100):
//   volume x s / 100 = a x s + b x s / 100, both parts of the same sign as s,
// so the truncated quotient is a x s + trunc(b x s / 100), and adding s a times with
// signed saturation gives exactly the limited result (a saturated sum stays saturated when
// more of the same sign is added). Only the b part needs a division, done one of three
// ways, whichever is exact for b (checked against the rule over every sample value):
// - b / 100 = 1 / 2^k (b = 25, 50): an arithmetic shift, rounded toward zero;
// - a multiply-high by a magic number and a shift, rounded toward zero (b = 1, 2, 4, 5,
//   10, 20);
// - otherwise, on u = |s|, a multiply-high by K = floor(65536 b / 100), at most one
//   short (u is at most 32768, so the error stays under a half), and one correction: the
//   remainder u b - 100 t, exact in 16 bits as it lies in 0..199, is 100 or more exactly
//   when t is one short; the sign of s comes back last.

namespace {

// a (the hundreds of the volume) up to this is handled by the lanes; larger or negative
// volumes, which the editor never sets, take the plain loop.
constexpr int kMaxHundreds = 3;
// The shifts the lanes have compiled in.
constexpr int kMaxShift = 3;

void PlainLoop(uint8_t* data, size_t count, int volume) {
    for (size_t i = 0; i < count; ++i) {
        int16_t s;
        std::memcpy(&s, data + 2 * i, 2);
        s = ScaledSample(s, volume);
        std::memcpy(data + 2 * i, &s, 2);
    }
}

enum class Division { None, Shift, MultiplyHigh, Corrected };

struct Plan {
    Division division = Division::None;
    int hundreds = 0;
    int shift = 0;
    int16_t magic = 0;  // multiply-high
    uint16_t b = 0;     // corrected
    uint16_t k = 0;
};

int16_t MagicPart(int16_t s, int16_t magic, int shift) {
    return static_cast<int16_t>(((s * magic) >> (16 + shift)) - (s >> 15));
}

// Whether part(s) is trunc(b s / 100) for every sample value.
template <typename Part>
bool ExactForB(int b, Part part) {
    for (int s = -32768; s <= 32767; ++s)
        if (part(static_cast<int16_t>(s)) != (b * s) / 100)
            return false;
    return true;
}

Plan MakePlan(int volume) {
    Plan p;
    p.hundreds = volume / 100;
    const int b = volume % 100;
    if (b == 0)
        return p;
    for (int shift = 1; shift <= kMaxShift; ++shift) {
        if ((b << shift) == 100) {
            p.division = Division::Shift;
            p.shift = shift;
            return p;
        }
    }
    for (int shift = 0; shift <= kMaxShift; ++shift) {
        const long magic = ((static_cast<long>(b) << (16 + shift)) + 99) / 100;
        if (magic > 32767)
            break;
        const auto m = static_cast<int16_t>(magic);
        if (ExactForB(b, [&](int16_t s) { return MagicPart(s, m, shift); })) {
            p.division = Division::MultiplyHigh;
            p.magic = m;
            p.shift = shift;
            return p;
        }
    }
    p.division = Division::Corrected;
    p.b = static_cast<uint16_t>(b);
    p.k = static_cast<uint16_t>((b * 65536) / 100);
    return p;
}

// Plans are made once per volume: a stream keeps one volume.
Plan PlanFor(int volume) {
    thread_local int planned = -1;
    thread_local Plan plan;
    if (volume != planned) {
        plan = MakePlan(volume);
        planned = volume;
    }
    return plan;
}

#ifdef VELTRA_X86_VOLUME

#define LANES_INLINE static inline __attribute__((always_inline))

// One width of lanes: the few operations the divisions need.
struct Lanes128 {
    using V = __m128i;
    static constexpr size_t kCount = 8;
#define T __attribute__((target("sse4.1")))
    LANES_INLINE T V Load(const uint8_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const V*>(p));
    }
    LANES_INLINE T void Store(uint8_t* p, V v) {
        _mm_storeu_si128(reinterpret_cast<V*>(p), v);
    }
    LANES_INLINE T V Splat(int x) {
        return _mm_set1_epi16(static_cast<short>(x));
    }
    LANES_INLINE T V Add(V a, V b) {
        return _mm_add_epi16(a, b);
    }
    LANES_INLINE T V Sub(V a, V b) {
        return _mm_sub_epi16(a, b);
    }
    LANES_INLINE T V AddSat(V a, V b) {
        return _mm_adds_epi16(a, b);
    }
    LANES_INLINE T V And(V a, V b) {
        return _mm_and_si128(a, b);
    }
    template <int N>
    LANES_INLINE T V SraBy(V a) {
        return _mm_srai_epi16(a, N);
    }
    LANES_INLINE T V MulHi(V a, V b) {
        return _mm_mulhi_epi16(a, b);
    }
    LANES_INLINE T V MulHiU(V a, V b) {
        return _mm_mulhi_epu16(a, b);
    }
    LANES_INLINE T V MulLo(V a, V b) {
        return _mm_mullo_epi16(a, b);
    }
    LANES_INLINE T V Abs(V a) {
        return _mm_abs_epi16(a);
    }
    // a + 1 where r > limit.
    LANES_INLINE T V IncWhereAbove(V a, V r, V limit) {
        return _mm_sub_epi16(a, _mm_cmpgt_epi16(r, limit));
    }
    LANES_INLINE T V SignOf(V a, V s) {
        return _mm_sign_epi16(a, s);
    }
#undef T
};

struct Lanes256 {
    using V = __m256i;
    static constexpr size_t kCount = 16;
#define T __attribute__((target("avx2")))
    LANES_INLINE T V Load(const uint8_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const V*>(p));
    }
    LANES_INLINE T void Store(uint8_t* p, V v) {
        _mm256_storeu_si256(reinterpret_cast<V*>(p), v);
    }
    LANES_INLINE T V Splat(int x) {
        return _mm256_set1_epi16(static_cast<short>(x));
    }
    LANES_INLINE T V Add(V a, V b) {
        return _mm256_add_epi16(a, b);
    }
    LANES_INLINE T V Sub(V a, V b) {
        return _mm256_sub_epi16(a, b);
    }
    LANES_INLINE T V AddSat(V a, V b) {
        return _mm256_adds_epi16(a, b);
    }
    LANES_INLINE T V And(V a, V b) {
        return _mm256_and_si256(a, b);
    }
    template <int N>
    LANES_INLINE T V SraBy(V a) {
        return _mm256_srai_epi16(a, N);
    }
    LANES_INLINE T V MulHi(V a, V b) {
        return _mm256_mulhi_epi16(a, b);
    }
    LANES_INLINE T V MulHiU(V a, V b) {
        return _mm256_mulhi_epu16(a, b);
    }
    LANES_INLINE T V MulLo(V a, V b) {
        return _mm256_mullo_epi16(a, b);
    }
    LANES_INLINE T V Abs(V a) {
        return _mm256_abs_epi16(a);
    }
    LANES_INLINE T V IncWhereAbove(V a, V r, V limit) {
        return _mm256_sub_epi16(a, _mm256_cmpgt_epi16(r, limit));
    }
    LANES_INLINE T V SignOf(V a, V s) {
        return _mm256_sign_epi16(a, s);
    }
#undef T
};

// Keeps the compiler from turning a multiplication by a constant into shifts and adds,
// which take more of the lanes' time than the one multiplication.
#define Opaque(v) asm("" : "+v"(v))

// The lanes' loop for one division and number of hundreds, for the lanes L; returns the
// samples done. A function per width, each compiled for its instruction set.
#define LANES_KERNEL(L, TARGET)                                                                    \
    template <Division D, int A, int K>                                                            \
    __attribute__((target(TARGET))) size_t Kernel##L(uint8_t* data, size_t count, const Plan& p) { \
        using V = L::V;                                                                            \
        const V magic = L::Splat(p.magic);                                                         \
        const V b = L::Splat(p.b);                                                                 \
        const V k = L::Splat(p.k);                                                                 \
        V hundred = L::Splat(100);                                                                 \
        Opaque(hundred);                                                                           \
        const V ninetyNine = L::Splat(99);                                                         \
        const V zero = L::Splat(0);                                                                \
        const V round = L::Splat((1 << K) - 1);                                                    \
        size_t i = 0;                                                                              \
        _Pragma("GCC unroll 4") for (; i + L::kCount <= count; i += L::kCount) {                   \
            uint8_t* at = data + 2 * i;                                                            \
            const V s = L::Load(at);                                                               \
            V t = zero;                                                                            \
            if constexpr (D == Division::Shift) {                                                  \
                /* rounded toward zero: negative samples are raised by 2^k - 1 first */            \
                const V sign = L::template SraBy<15>(s);                                           \
                const V raised = K == 1 ? L::Sub(s, sign) : L::Add(s, L::And(sign, round));        \
                t = L::template SraBy<K>(raised);                                                  \
            } else if constexpr (D == Division::MultiplyHigh) {                                    \
                t = L::Sub(L::template SraBy<K>(L::MulHi(s, magic)), L::template SraBy<15>(s));    \
            } else if constexpr (D == Division::Corrected) {                                       \
                const V u = L::Abs(s);                                                             \
                const V t0 = L::MulHiU(u, k);                                                      \
                const V r = L::Sub(L::MulLo(u, b), L::MulLo(t0, hundred));                         \
                t = L::SignOf(L::IncWhereAbove(t0, r, ninetyNine), s);                             \
            }                                                                                      \
            for (int n = 0; n < A; ++n) t = L::AddSat(t, s);                                       \
            L::Store(at, t);                                                                       \
        }                                                                                          \
        return i;                                                                                  \
    }
LANES_KERNEL(Lanes128, "sse4.1")
LANES_KERNEL(Lanes256, "avx2")

using Kernel = size_t (*)(uint8_t*, size_t, const Plan&);

template <template <Division, int, int> class Pick, Division D, int K>
Kernel ForHundreds(int a) {
    switch (a) {
        case 0:
            return Pick<D, 0, K>::fn;
        case 1:
            return Pick<D, 1, K>::fn;
        case 2:
            return Pick<D, 2, K>::fn;
        default:
            return Pick<D, 3, K>::fn;
    }
}

// Shifts are compiled in: a shift by a count held in a register costs twice as much.
template <template <Division, int, int> class Pick, Division D>
Kernel ForShift(const Plan& p) {
    switch (p.shift) {
        case 0:
            return ForHundreds<Pick, D, 0>(p.hundreds);
        case 1:
            return ForHundreds<Pick, D, 1>(p.hundreds);
        case 2:
            return ForHundreds<Pick, D, 2>(p.hundreds);
        case 3:
            return ForHundreds<Pick, D, 3>(p.hundreds);
        default:
            return nullptr;
    }
}

template <template <Division, int, int> class Pick>
Kernel ForPlan(const Plan& p) {
    switch (p.division) {
        case Division::None:
            return ForHundreds<Pick, Division::None, 0>(p.hundreds);
        case Division::Shift:
            return ForShift<Pick, Division::Shift>(p);
        case Division::MultiplyHigh:
            return ForShift<Pick, Division::MultiplyHigh>(p);
        case Division::Corrected:
            break;
    }
    return ForHundreds<Pick, Division::Corrected, 0>(p.hundreds);
}

template <Division D, int A, int K>
struct Pick256 {
    static constexpr Kernel fn = KernelLanes256<D, A, K>;
};
template <Division D, int A, int K>
struct Pick128 {
    static constexpr Kernel fn = KernelLanes128<D, A, K>;
};

enum class Width { None, W128, W256 };

Width WidestLanes() {
    static const Width width = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2"))
            return Width::W256;
        if (__builtin_cpu_supports("sse4.1"))
            return Width::W128;
        return Width::None;
    }();
    return width;
}

// The lanes of the given width for a volume; the samples done (0: none).
size_t ScaleLanes(Width width, uint8_t* data, size_t count, int volume) {
    if (volume < 0 || volume / 100 > kMaxHundreds)
        return 0;
    const Plan p = PlanFor(volume);
    Kernel kernel = nullptr;
    switch (width) {
        case Width::W256:
            kernel = ForPlan<Pick256>(p);
            break;
        case Width::W128:
            kernel = ForPlan<Pick128>(p);
            break;
        case Width::None:
            break;
    }
    return kernel ? kernel(data, count, p) : 0;
}

#endif  // VELTRA_X86_VOLUME

}  // namespace

void ScaleSamplesS16(uint8_t* data, size_t count, int volume) {
    size_t done = 0;
#ifdef VELTRA_X86_VOLUME
    done = ScaleLanes(WidestLanes(), data, count, volume);
#endif
    PlainLoop(data + 2 * done, count - done, volume);
}

bool ScaleSamplesS16Using(int laneBits, uint8_t* data, size_t count, int volume) {
#ifdef VELTRA_X86_VOLUME
    const Width widest = WidestLanes();
    const Width asked = laneBits == 256 ? Width::W256 : laneBits == 128 ? Width::W128 : Width::None;
    if (asked == Width::None || asked > widest)
        return false;
    size_t done = ScaleLanes(asked, data, count, volume);
    PlainLoop(data + 2 * done, count - done, volume);
    return true;
#else
    (void)laneBits;
    (void)data;
    (void)count;
    (void)volume;
    return false;
#endif
}
