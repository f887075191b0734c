// Parameterised rows carry their own test name, so a failure names the row.
#pragma once

#include <string>

namespace tqv::text {

struct RowName {
    template <typename ParamInfo>
    std::string operator()(const ParamInfo& row) const {
        return row.param.name;
    }
};

}  // namespace tqv::text
