#pragma once

#include <onnx/onnx_pb.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vardo {

// A node's attributes by name, each with the value to take when the node has none.
class Attributes {
public:
    explicit Attributes(const onnx::NodeProto &node)
    {
        for (const auto &a : node.attribute())
            map_[a.name()] = &a;
    }
    bool has(const std::string &name) const { return map_.count(name) != 0; }
    int64_t integer(const std::string &name, int64_t fallback) const
    {
        const auto it = map_.find(name);
        return it == map_.end() ? fallback : it->second->i();
    }
    float real(const std::string &name, float fallback) const
    {
        const auto it = map_.find(name);
        return it == map_.end() ? fallback : it->second->f();
    }
    std::string text(const std::string &name, const std::string &fallback) const
    {
        const auto it = map_.find(name);
        return it == map_.end() ? fallback : it->second->s();
    }
    std::vector<int64_t> integers(const std::string &name, std::vector<int64_t> fallback) const
    {
        const auto it = map_.find(name);
        if (it == map_.end())
            return fallback;
        return {it->second->ints().begin(), it->second->ints().end()};
    }

private:
    std::map<std::string, const onnx::AttributeProto *> map_;
};

} // namespace vardo
