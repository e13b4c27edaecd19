#pragma once
// The two files of a tabulated travel-time model: BASE.hed and BASE.tbl.
//
// BASE.hed holds six sequential unformatted records, each framed like the platform's
// unformatted sequential records: a 4-byte length n, n bytes of payload, the same 4-byte
// length again (host byte order; integers 32-bit, "real" 32-bit float, "double" 64-bit float).
// Every record carries its arrays at full capacity, first index fastest, unused entries zero:
//
//   1  nasgr nl len2 (int) | radius factor, slowness factor, time factor (real) |
//      mt(2) nseg nbrn ku(2) km(2) (int) | fcs(30,3) (real) | nafl(30,3) indx(30,2)
//      kndx(30,2) (int)
//   2  pm(150,2) zm(150,2) (double) | ndex(150,2) (int)
//   3  pu(351,2) pux(100,2) (double)
//   4  phcd(100) (8 characters each) | px(100,2) xt(100,2) (double) | jndx(100,2) (int)
//   5  pt(2250) taut(2250) (double)
//   6  coef(5,2250) (double)
//
// BASE.tbl is a direct-access file of fixed records of nasgr bytes; record k (1-based) starts
// at byte (k - 1) * nasgr and holds doubles.
//
// Meaning of the contents as this system writes them (units: p in seconds per radian, tau in
// seconds, distance in radians; the slowness factor is the Earth radius in km, the time factor
// 1, so that these normalised units are the physical ones):
//  - mt(w): model samples of wave type w (1 = P, 2 = S) from the surface to the core-mantle
//    boundary; pm(k,w) = r / v (slowness), zm(k,w) = ln(r / a) (flattened depth), two samples
//    at one depth mark a discontinuity; between samples the velocity is linear in depth.
//    ndex(k,w): record of BASE.tbl holding the up-going table for that sample depth (0: the
//    surface, all zero).
//  - pu(j,w), j = 1..ku(w): the ray parameters of the up-going tables, ascending. Branch
//    samples lie on this grid except where a branch needs more (near its ends, at the
//    slownesses of model samples); the depth correction integrates the up-going leg of those
//    from the model samples. pux(j,w), j = 1..km(w): the ray parameters of branch ends.
//  - table record: tau of the up-going leg from the sample depth to the surface at the ku(w)
//    ray parameters pu, followed by its distance at the same ray parameters.
//  - segment n: nafl(n,1) the wave type of the leg leaving the source (negative for the direct
//    P or S family, which also yields the up-going branch), nafl(n,2) 0 for the direct family
//    and otherwise the same type, nafl(n,3) 1 for a surface-reflected depth phase whose
//    up-going leg is added rather than removed; indx(n,1..2) its first and last sample in pt,
//    kndx(n,1..2) its first and last branch; fcs(n,1..3) the ray-parameter range of the segment
//    (min, max) and 0.
//  - branch i: phcd(i) code, jndx(i,1..2) first and last sample, px(i,1..2) ray parameters and
//    xt(i,1..2) distances at those samples.
//  - sample k: pt(k) ray parameter, taut(k) tau, coef(1,k) distance X(p), coef(2..5,k) the
//    cubic tau(p) = c2 + c3 d + c4 d^2 + c5 d^3, d = p - pt(k), on the interval to the next
//    sample of the same branch (zero at the branch's last sample).
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tw {

namespace ttcap {
constexpr int kSegments = 30;
constexpr int kBranches = 100;
constexpr int kDepthSamples = 150;
constexpr int kSamples = 2250;
constexpr int kUpgoing = 351;
constexpr int kUpgoingDistance = 100;
constexpr int kArrivals = 60;
constexpr int kKeywords = 30;
} // namespace ttcap

struct TableHeader {
    // record 1
    std::int32_t nasgr = 0;
    std::int32_t nl = 0;
    std::int32_t len2 = 0;
    float radius_factor = 0.0f;
    float slowness_factor = 0.0f;
    float time_factor = 0.0f;
    std::array<std::int32_t, 2> mt{};
    std::int32_t nseg = 0;
    std::int32_t nbrn = 0;
    std::array<std::int32_t, 2> ku{};
    std::array<std::int32_t, 2> km{};
    std::array<std::array<float, ttcap::kSegments>, 3> fcs{};
    std::array<std::array<std::int32_t, ttcap::kSegments>, 3> nafl{};
    std::array<std::array<std::int32_t, ttcap::kSegments>, 2> indx{};
    std::array<std::array<std::int32_t, ttcap::kSegments>, 2> kndx{};
    // record 2
    std::array<std::array<double, ttcap::kDepthSamples>, 2> pm{};
    std::array<std::array<double, ttcap::kDepthSamples>, 2> zm{};
    std::array<std::array<std::int32_t, ttcap::kDepthSamples>, 2> ndex{};
    // record 3
    std::array<std::array<double, ttcap::kUpgoing>, 2> pu{};
    std::array<std::array<double, ttcap::kUpgoingDistance>, 2> pux{};
    // record 4
    std::array<std::array<char, 8>, ttcap::kBranches> phcd{};
    std::array<std::array<double, ttcap::kBranches>, 2> px{};
    std::array<std::array<double, ttcap::kBranches>, 2> xt{};
    std::array<std::array<std::int32_t, ttcap::kBranches>, 2> jndx{};
    // record 5
    std::array<double, ttcap::kSamples> pt{};
    std::array<double, ttcap::kSamples> taut{};
    // record 6
    std::array<std::array<double, 5>, ttcap::kSamples> coef{};
};

// Writes BASE.hed; returns false with a reason on failure.
bool write_header_file(const std::string& path, const TableHeader& h, std::string& why);
// Reads BASE.hed; false with a reason when the file is missing, unreadable or malformed.
bool read_header_file(const std::string& path, TableHeader& h, std::string& why);
// Writes BASE.tbl from its records (each nasgr bytes, record k = records[k-1]).
bool write_table_file(const std::string& path, int nasgr,
                      const std::vector<std::vector<double>>& records, std::string& why);

// The direct-access table file, open for reading.
class TableFile {
  public:
    bool open(const std::string& path, int record_length, std::string& why);
    void close() { file_.reset(); }
    bool is_open() const { return static_cast<bool>(file_); }
    // Reads count doubles of record rec; a record number of 0 or less gives zeros.
    bool bkin(int rec, int count, double* buffer);

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    int record_length_ = 0;
};

} // namespace tw
