#include "traveltime/phase_catalogue.hpp"

namespace tw {

namespace {

constexpr Wave P = Wave::P;
constexpr Wave S = Wave::S;
constexpr Region M = Region::Mantle;
constexpr Region K = Region::OuterCore;
constexpr Region I = Region::InnerCore;

Leg turn(Wave w, Region r, int mult = 2) {
    return {w, r, true, mult};
}
Leg cross(Wave w, Region r, int mult = 2) {
    return {w, r, false, mult};
}

std::vector<PhaseSpec> build() {
    using F = Family;
    using N = Naming;
    return {
        {"P", 1, F::Direct, {turn(P, M)}, N::TurningDepth},
        {"S", 2, F::Direct, {turn(S, M)}, N::TurningDepth},
        {"PKiKP", 1, F::Ordinary, {cross(P, M), cross(P, K)}, N::Fixed},
        {"PKPdf", 1, F::Ordinary, {cross(P, M), cross(P, K), turn(P, I)}, N::Fixed, false, true},
        {"pP", 1, F::Depth, {turn(P, M)}, N::TurningDepth, true},
        {"sP", 2, F::Depth, {turn(P, M)}, N::TurningDepth, true},
        {"PcP", 1, F::Ordinary, {cross(P, M)}, N::Fixed},
        {"ScS", 2, F::Ordinary, {cross(S, M)}, N::Fixed},
        {"PKP", 1, F::Ordinary, {cross(P, M), turn(P, K)}, N::CoreBranch},
        {"SKS", 2, F::Ordinary, {cross(S, M), turn(P, K)}, N::CoreBranch},
        {"pS", 1, F::Depth, {turn(S, M)}, N::TurningDepth, true},
        {"sS", 2, F::Depth, {turn(S, M)}, N::TurningDepth, true},
        {"ScP", 2, F::Ordinary, {cross(S, M, 1), cross(P, M, 1)}, N::Fixed},
        {"PcS", 1, F::Ordinary, {cross(P, M, 1), cross(S, M, 1)}, N::Fixed},
        {"SKP", 2, F::Ordinary, {cross(S, M, 1), cross(P, M, 1), turn(P, K)}, N::CoreBranch},
        {"PKS", 1, F::Ordinary, {cross(P, M, 1), cross(S, M, 1), turn(P, K)}, N::CoreBranch},
        {"SKiKS", 2, F::Ordinary, {cross(S, M), cross(P, K)}, N::Fixed},
        {"SKSdf", 2, F::Ordinary, {cross(S, M), cross(P, K), turn(P, I)}, N::Fixed, false, true},
        {"pPKiKP", 1, F::Depth, {cross(P, M), cross(P, K)}, N::Fixed},
        {"sPKiKP", 2, F::Depth, {cross(P, M), cross(P, K)}, N::Fixed},
        {"PP", 1, F::Ordinary, {turn(P, M, 4)}, N::TurningDepth, true},
        {"SS", 2, F::Ordinary, {turn(S, M, 4)}, N::TurningDepth, true},
        {"PKKP", 1, F::Ordinary, {cross(P, M), turn(P, K, 4)}, N::CoreBranch},
        {"SKKP", 2, F::Ordinary, {cross(S, M, 1), cross(P, M, 1), turn(P, K, 4)}, N::CoreBranch},
        {"SKKS", 2, F::Ordinary, {cross(S, M), turn(P, K, 4)}, N::CoreBranch},
        {"pPKP", 1, F::Depth, {cross(P, M), turn(P, K)}, N::CoreBranch},
        {"sPKP", 2, F::Depth, {cross(P, M), turn(P, K)}, N::CoreBranch},
        {"SKiKP", 2, F::Ordinary, {cross(S, M, 1), cross(P, M, 1), cross(P, K)}, N::Fixed},
        {"PKiKS", 1, F::Ordinary, {cross(P, M, 1), cross(S, M, 1), cross(P, K)}, N::Fixed},
    };
}

} // namespace

const std::vector<PhaseSpec>& phase_catalogue() {
    static const std::vector<PhaseSpec> catalogue = build();
    return catalogue;
}

} // namespace tw
