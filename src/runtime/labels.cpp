// The node-label vocabulary: 133 two-letter names, code 96 + 3k.
#include "runtime/runtime.h"

namespace vyl {

namespace {

constexpr std::string_view kLabelNames =
    "no ty gl fn tk nt st pl qu tr ac at mt ot cn rt xf bt er al ca qm dl tf dr vr as eq ls gr ne "
    "an or ad su mp dv md ng tv rn nn nc co sa pk ar ax bg ch cl cm cs cv df do en ex fc fl fr ge "
    "hp if in io jm ki lc le lp lx nl nx of pm pt rc rg rp rx sh sl sr sw sz un up vt wh xo yk zz "
    "ab ag bs by cc ct dc dn el ez fd fk fp ft go hi it jp jz ld lg lo nm nu ov pf pr rf sg sm sy "
    "tc th tp va vd wd xc ys ze";

static_assert(kLabelNames.size() == kLabelCount * 3 - 1);

}  // namespace

std::string_view LabelName(int32_t code) {
  if (code < 96 || (code - 96) % 3 != 0) return {};
  int32_t k = (code - 96) / 3;
  if (k >= kLabelCount) return {};
  return kLabelNames.substr(static_cast<std::size_t>(k) * 3, 2);
}

}  // namespace vyl
