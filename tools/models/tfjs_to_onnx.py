#!/usr/bin/python3
"""Converts a TensorFlow.js graph model (model.json + .bin shards) into an ONNX model that
OpenCV 4.6's importer (cv::dnn::readNetFromONNX) loads and runs.

The ONNX graph takes its image input in NCHW and keeps every 4-D activation in NCHW, while
the TensorFlow graph is NHWC; constants are laid out to match, and a tensor is transposed
back to NHWC only where its memory order matters (a reshape, an output). Outputs therefore
hold the same values in the same order as the original model's.

OpenCV 4.6 imports only part of ONNX, so the emitted graph sticks to what it can read:
opset 10 (Clip with its bounds as attributes), Gemm with a transposed B, explicit
(possibly asymmetric) pads for TensorFlow's "SAME", batch-norm multiplies and adds folded
into the convolution before them, and Relu / Minimum / Maximum chains turned into one Clip.
Nodes that no requested output depends on (for example age and gender heads next to a
descriptor) are left out.

Usage: tfjs_to_onnx.py MODEL_JSON OUT_ONNX [--output NODE[=NAME]]... [--input-size H W]
"""

import argparse
import os
import sys

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tfjs_graph  # noqa: E402

OPSET = 10
FLT_MAX = float(np.finfo(np.float32).max)


class ConversionError(Exception):
    pass


class Tensor:
    """One value of the ONNX graph being built. `shape` is the TensorFlow (NHWC) shape;
    `nchw` says whether a 4-D value is stored transposed to NCHW in the ONNX graph."""

    def __init__(self, name, shape, nchw=False, const=None):
        self.name = name
        self.shape = list(shape)
        self.nchw = nchw
        self.const = const  # numpy value when known at conversion time


def _same_pads(size, kernel, stride, dilation):
    out = -(-size // stride)
    total = max((out - 1) * stride + (kernel - 1) * dilation + 1 - size, 0)
    return total // 2, total - total // 2, out


def _valid_out(size, kernel, stride, dilation):
    return (size - (kernel - 1) * dilation - 1) // stride + 1


def _fit_reshape_target(target, shape, name):
    """A graph model stores its reshape targets as constants worked out for the input size it
    was exported with; detection heads flatten an NHWC grid [N, H, W, C] into
    [N, H*W*C/k, k...]. At another input size (--input-size) that positions axis is
    recomputed from the grid the conversion actually produces. It is written as a number
    rather than -1 on purpose: TensorFlow's "SAME" pads are fixed per layer for the size
    converted at, so the file is only right at that size, and a reshape that fails at any
    other size says so at once instead of giving shifted boxes."""
    total = int(np.prod(shape))
    if -1 in target or int(np.prod(target)) == total:
        return target
    trailing = int(np.prod(target[2:]))
    if len(shape) == 4 and len(target) >= 2 and target[0] == shape[0] and trailing > 0 \
            and shape[3] % trailing == 0:
        return [target[0], total // (shape[0] * trailing)] + target[2:]
    raise ConversionError(f"node {name}: reshape to {target} does not fit a value of shape {shape} "
                          "and is not a grid flattened into positions")


class Builder:
    def __init__(self, graph):
        self.graph = graph
        self.nodes = []
        self.initializers = {}
        self.values = {}  # (tf node name, index) -> Tensor
        self.counter = 0

    # ---- graph building helpers -------------------------------------------------------

    def fresh(self, base):
        self.counter += 1
        return f"{base}__{self.counter}"

    def add_node(self, op, inputs, outputs, name=None, **attrs):
        self.nodes.append(helper.make_node(op, inputs, outputs, name=name or outputs[0], **attrs))

    def initializer(self, base, array):
        name = self.fresh(base)
        self.initializers[name] = numpy_helper.from_array(np.ascontiguousarray(array), name)
        return name

    def to_tf_layout(self, t):
        if not t.nchw:
            return t
        out = self.fresh(t.name + "_nhwc")
        self.add_node("Transpose", [t.name], [out], perm=[0, 2, 3, 1])
        return Tensor(out, t.shape, nchw=False)

    def to_nchw(self, t):
        if t.nchw:
            return t
        if len(t.shape) != 4:
            raise ConversionError(f"{t.name}: expected a 4-D image tensor, got shape {t.shape}")
        out = self.fresh(t.name + "_nchw")
        self.add_node("Transpose", [t.name], [out], perm=[0, 3, 1, 2])
        return Tensor(out, t.shape, nchw=True)

    def const_for(self, value, partner):
        """Lays out a constant operand of an element-wise op to broadcast against `partner`."""
        value = np.asarray(value)
        if value.dtype == np.float64:
            value = value.astype(np.float32)
        if partner.nchw:
            if value.ndim == 1 and value.shape[0] > 1:
                value = value.reshape(-1, 1, 1)
            elif value.ndim == 4:
                value = value.transpose(0, 3, 1, 2)
            elif value.ndim > 1 and value.size == 1:
                value = value.reshape(())
            elif value.ndim > 1:
                raise ConversionError(f"constant of shape {value.shape} against NCHW value {partner.name}")
        return value

    # ---- conversion -------------------------------------------------------------------

    def needed_nodes(self, outputs):
        order, seen = [], set()
        stack = [(name, False) for name in reversed(outputs)]
        while stack:
            name, expanded = stack.pop()
            if expanded:
                order.append(name)
                continue
            if name in seen:
                continue
            if name not in self.graph.nodes:
                raise ConversionError(f"the model has no node named {name!r}")
            seen.add(name)
            stack.append((name, True))
            for src, _ in reversed(self.graph.nodes[name].inputs):
                if src not in seen:
                    stack.append((src, False))
        return order

    def value(self, ref):
        if ref not in self.values:
            raise ConversionError(f"value {ref[0]}:{ref[1]} was not converted")
        return self.values[ref]

    def convert(self, outputs, output_names, input_size=None):
        for name in self.needed_nodes(outputs):
            node = self.graph.nodes[name]
            handler = getattr(self, "op_" + node.op.lstrip("_"), None)
            if handler is None:
                raise ConversionError(f"node {name}: operation {node.op} is not supported")
            if node.op == "Placeholder":
                handler(node, input_size)
            else:
                handler(node)
        graph_outputs = []
        for name, out_name in zip(outputs, output_names):
            t = self.to_tf_layout(self.value((name, 0)))
            self.add_node("Identity", [t.name], [out_name], name=out_name + "__out")
            graph_outputs.append(helper.make_tensor_value_info(out_name, TensorProto.FLOAT, t.shape))
        return graph_outputs

    def set(self, node, tensor, index=0):
        self.values[(node.name, index)] = tensor

    def op_Placeholder(self, node, input_size):
        shape = list(node.attr("shape") or [])
        if len(shape) != 4:
            raise ConversionError(f"input {node.name}: expected an NHWC image input, got shape {shape}")
        shape[0] = 1
        if input_size:
            shape[1], shape[2] = input_size
        if min(shape) <= 0:
            raise ConversionError(f"input {node.name} has an open size {shape}; give --input-size")
        self.input = helper.make_tensor_value_info(
            "input", TensorProto.FLOAT, [shape[0], shape[3], shape[1], shape[2]])
        self.set(node, Tensor("input", shape, nchw=True))

    def op_Const(self, node):
        self.set(node, Tensor(node.name, np.shape(self.graph.constants[node.name]),
                              const=self.graph.constants[node.name]))

    def op_Identity(self, node):
        self.set(node, self.value(node.inputs[0]))

    def _const_input(self, node, i):
        t = self.value(node.inputs[i])
        if t.const is None:
            raise ConversionError(f"node {node.name}: input {i} must be a constant")
        return t.const

    def _conv(self, node, x, weight, depthwise):
        if node.attr("data_format", "NHWC") != "NHWC":
            raise ConversionError(f"node {node.name}: only NHWC is supported")
        strides = node.attr("strides", [1, 1, 1, 1])
        dilations = node.attr("dilations", [1, 1, 1, 1])
        kh, kw = weight.shape[0], weight.shape[1]
        n, h, w, c = x.shape
        padding = node.attr("padding", "VALID")
        if padding == "SAME":
            top, bottom, oh = _same_pads(h, kh, strides[1], dilations[1])
            left, right, ow = _same_pads(w, kw, strides[2], dilations[2])
        elif padding == "VALID":
            top = bottom = left = right = 0
            oh = _valid_out(h, kh, strides[1], dilations[1])
            ow = _valid_out(w, kw, strides[2], dilations[2])
        elif padding == "EXPLICIT":
            p = node.attr("explicit_paddings")
            top, bottom, left, right = p[2], p[3], p[4], p[5]
            oh = _valid_out(h + top + bottom, kh, strides[1], dilations[1])
            ow = _valid_out(w + left + right, kw, strides[2], dilations[2])
        else:
            raise ConversionError(f"node {node.name}: padding {padding} is not supported")
        if depthwise:
            mult = weight.shape[3]
            onnx_w = weight.transpose(2, 3, 0, 1).reshape(c * mult, 1, kh, kw)
            group, oc = c, c * mult
        else:
            onnx_w = weight.transpose(3, 2, 0, 1)
            group, oc = 1, weight.shape[3]
            if weight.shape[2] != c:
                raise ConversionError(f"node {node.name}: filter expects {weight.shape[2]} channels, input has {c}")
        x = self.to_nchw(x)
        out = self.fresh(node.name)
        self.add_node("Conv", [x.name, self.initializer(node.name + "_W", onnx_w.astype(np.float32))], [out],
                      name=node.name, kernel_shape=[kh, kw], strides=[strides[1], strides[2]],
                      dilations=[dilations[1], dilations[2]], pads=[top, left, bottom, right], group=group)
        return Tensor(out, [n, oh, ow, oc], nchw=True)

    def op_Conv2D(self, node):
        self.set(node, self._conv(node, self.value(node.inputs[0]), self._const_input(node, 1), False))

    def op_DepthwiseConv2dNative(self, node):
        self.set(node, self._conv(node, self.value(node.inputs[0]), self._const_input(node, 1), True))

    def _fused_tail(self, node, t, extra):
        """Applies the operations TensorFlow fused after a convolution or matrix product."""
        fused = node.attr("fused_ops", [])
        for op in fused:
            if op == "BiasAdd":
                t = self._binary("Add", t, Tensor("bias", extra[0].shape, const=extra[0]), node.name + "/bias")
            elif op == "Relu":
                t = self._unary("Relu", t, node.name + "/relu")
            elif op == "Relu6":
                t = self._clip(t, 0.0, 6.0, node.name + "/relu6")
            else:
                raise ConversionError(f"node {node.name}: fused operation {op} is not supported")
        return t

    def op_FusedConv2D(self, node):
        x = self.value(node.inputs[0])
        t = self._conv(node, x, self._const_input(node, 1), False)
        extra = [self._const_input(node, i) for i in range(2, len(node.inputs))]
        self.set(node, self._fused_tail(node, t, extra))

    def op_FusedDepthwiseConv2dNative(self, node):
        x = self.value(node.inputs[0])
        t = self._conv(node, x, self._const_input(node, 1), True)
        extra = [self._const_input(node, i) for i in range(2, len(node.inputs))]
        self.set(node, self._fused_tail(node, t, extra))

    def _matmul(self, node):
        a = self.value(node.inputs[0])
        b = self._const_input(node, 1)
        if len(a.shape) != 2 or b.ndim != 2:
            raise ConversionError(f"node {node.name}: only 2-D matrix products are supported")
        if node.attr("transpose_a", False):
            raise ConversionError(f"node {node.name}: transpose_a is not supported")
        bt = b if node.attr("transpose_b", False) else b.T  # Gemm wants B as [N, K], transB = 1
        out = self.fresh(node.name)
        # Opset 10's Gemm requires its C input.
        c = self.initializer(node.name + "_C", np.zeros(bt.shape[0], np.float32))
        self.add_node("Gemm", [a.name, self.initializer(node.name + "_B", bt.astype(np.float32)), c], [out],
                      name=node.name, transB=1)
        return Tensor(out, [a.shape[0], bt.shape[0]])

    def op_MatMul(self, node):
        self.set(node, self._matmul(node))

    def op_FusedMatMul(self, node):
        t = self._matmul(node)
        extra = [self._const_input(node, i) for i in range(2, len(node.inputs))]
        self.set(node, self._fused_tail(node, t, extra))

    def _unary(self, op, x, name, **attrs):
        out = self.fresh(name)
        self.add_node(op, [x.name], [out], name=out, **attrs)
        return Tensor(out, x.shape, nchw=x.nchw)

    def _clip(self, x, lo, hi, name):
        return self._unary("Clip", x, name, min=float(lo), max=float(hi))

    def _binary(self, op, a, b, name):
        if a.const is not None and b.const is not None:
            raise ConversionError(f"{name}: both operands are constants")
        if b.const is None and a.const is not None and op in ("Add", "Mul"):
            a, b = b, a
        if a.const is None and b.const is None:
            if a.nchw != b.nchw:
                a, b = self.to_tf_layout(a), self.to_tf_layout(b)
            shape = list(np.broadcast_shapes(tuple(a.shape), tuple(b.shape)))
            out = self.fresh(name)
            self.add_node(op, [a.name, b.name], [out], name=out)
            return Tensor(out, shape, nchw=a.nchw)
        x, c = (a, b.const) if b.const is not None else (b, a.const)
        shape = list(np.broadcast_shapes(tuple(x.shape), np.shape(c)))
        cval = self.const_for(c, x).astype(np.float32)
        operands = [x.name, self.initializer(name + "_c", cval)]
        if a.const is not None:
            operands.reverse()
        out = self.fresh(name)
        self.add_node(op, operands, [out], name=out)
        return Tensor(out, shape, nchw=x.nchw)

    def _elementwise(self, op, node):
        a, b = self.value(node.inputs[0]), self.value(node.inputs[1])
        self.set(node, self._binary(op, a, b, node.name))

    def op_Add(self, node):
        self._elementwise("Add", node)

    def op_AddV2(self, node):
        self._elementwise("Add", node)

    def op_BiasAdd(self, node):
        self._elementwise("Add", node)

    def op_Sub(self, node):
        self._elementwise("Sub", node)

    def op_Mul(self, node):
        self._elementwise("Mul", node)

    def op_RealDiv(self, node):
        a, b = self.value(node.inputs[0]), self.value(node.inputs[1])
        if b.const is not None:
            recip = (1.0 / b.const.astype(np.float64)).astype(np.float32)
            self.set(node, self._binary("Mul", a, Tensor("recip", recip.shape, const=recip), node.name))
        else:
            self._elementwise("Div", node)

    def _bound(self, node, keep):
        """Minimum / Maximum against a scalar constant become a Clip (OpenCV cannot import
        Max or Min with a constant operand)."""
        a, b = self.value(node.inputs[0]), self.value(node.inputs[1])
        x, c = (a, b.const) if b.const is not None else (b, a.const)
        if c is None or np.size(c) != 1:
            raise ConversionError(f"node {node.name}: {node.op} is only supported against a scalar constant")
        c = float(np.asarray(c).reshape(()))
        lo, hi = (-FLT_MAX, c) if keep == "min" else (c, FLT_MAX)
        self.set(node, self._clip(x, lo, hi, node.name))

    def op_Minimum(self, node):
        self._bound(node, "min")

    def op_Maximum(self, node):
        self._bound(node, "max")

    def op_Relu(self, node):
        self.set(node, self._unary("Relu", self.value(node.inputs[0]), node.name))

    def op_Relu6(self, node):
        self.set(node, self._clip(self.value(node.inputs[0]), 0.0, 6.0, node.name))

    def op_Sigmoid(self, node):
        self.set(node, self._unary("Sigmoid", self.value(node.inputs[0]), node.name))

    def op_Tanh(self, node):
        self.set(node, self._unary("Tanh", self.value(node.inputs[0]), node.name))

    def op_Softmax(self, node):
        x = self.to_tf_layout(self.value(node.inputs[0]))
        if len(x.shape) != 2:
            raise ConversionError(f"node {node.name}: Softmax is only supported on 2-D values")
        self.set(node, self._unary("Softmax", x, node.name, axis=1))

    def op_Mean(self, node):
        x = self.value(node.inputs[0])
        axes = sorted(int(a) % len(x.shape) for a in np.ravel(self._const_input(node, 1)))
        if len(x.shape) != 4 or axes != [1, 2]:
            raise ConversionError(f"node {node.name}: Mean is only supported over the spatial axes of an image")
        x = self.to_nchw(x)
        pooled = self.fresh(node.name + "_pool")
        self.add_node("GlobalAveragePool", [x.name], [pooled])
        n, _, _, c = x.shape
        if node.attr("keep_dims", False):
            self.set(node, Tensor(pooled, [n, 1, 1, c], nchw=True))
        else:
            out = self.fresh(node.name)
            self.add_node("Flatten", [pooled], [out], axis=1)
            self.set(node, Tensor(out, [n, c]))

    def _pool(self, node, op):
        x = self.value(node.inputs[0])
        ksize, strides = node.attr("ksize"), node.attr("strides")
        n, h, w, c = x.shape
        if node.attr("padding") == "SAME":
            top, bottom, oh = _same_pads(h, ksize[1], strides[1], 1)
            left, right, ow = _same_pads(w, ksize[2], strides[2], 1)
        else:
            top = bottom = left = right = 0
            oh, ow = _valid_out(h, ksize[1], strides[1], 1), _valid_out(w, ksize[2], strides[2], 1)
        x = self.to_nchw(x)
        out = self.fresh(node.name)
        attrs = dict(kernel_shape=[ksize[1], ksize[2]], strides=[strides[1], strides[2]],
                     pads=[top, left, bottom, right])
        if op == "AveragePool":
            attrs["count_include_pad"] = 0  # TensorFlow averages over the valid pixels only
        self.add_node(op, [x.name], [out], name=node.name, **attrs)
        self.set(node, Tensor(out, [n, oh, ow, c], nchw=True))

    def op_MaxPool(self, node):
        self._pool(node, "MaxPool")

    def op_AvgPool(self, node):
        self._pool(node, "AveragePool")

    def op_Pad(self, node):
        x = self.value(node.inputs[0])
        pads = np.asarray(self._const_input(node, 1)).astype(np.int64)
        if pads.shape != (len(x.shape), 2):
            raise ConversionError(f"node {node.name}: paddings of shape {pads.shape}")
        if x.nchw:
            order = [0, 3, 1, 2]
            pads = pads[order]
        shape = [d + int(p.sum()) for d, p in zip(x.shape, np.asarray(self._const_input(node, 1)))]
        out = self.fresh(node.name)
        self.add_node("Pad", [x.name], [out], name=node.name, mode="constant", value=0.0,
                      pads=[int(v) for v in list(pads[:, 0]) + list(pads[:, 1])])
        self.set(node, Tensor(out, shape, nchw=x.nchw))

    def op_Reshape(self, node):
        x = self.to_tf_layout(self.value(node.inputs[0]))
        target = _fit_reshape_target([int(v) for v in np.ravel(self._const_input(node, 1))], x.shape, node.name)
        known = int(np.prod([d for d in target if d != -1]))
        shape = [int(np.prod(x.shape)) // known if d == -1 else d for d in target]
        out = self.fresh(node.name)
        self.add_node("Reshape", [x.name, self.initializer(node.name + "_shape", np.array(target, np.int64))],
                      [out], name=node.name)
        self.set(node, Tensor(out, shape))

    def op_Squeeze(self, node):
        x = self.to_tf_layout(self.value(node.inputs[0]))
        dims = node.attr("squeeze_dims") or [i for i, d in enumerate(x.shape) if d == 1]
        dims = [d % len(x.shape) for d in dims]
        shape = [d for i, d in enumerate(x.shape) if i not in dims]
        out = self.fresh(node.name)
        self.add_node("Reshape", [x.name, self.initializer(node.name + "_shape", np.array(shape, np.int64))],
                      [out], name=node.name)
        self.set(node, Tensor(out, shape))

    def op_ConcatV2(self, node):
        parts = [self.value(r) for r in node.inputs[:-1]]
        axis = int(np.ravel(self._const_input(node, len(node.inputs) - 1))[0])
        rank = len(parts[0].shape)
        axis %= rank
        if all(p.nchw for p in parts):
            onnx_axis = [0, 2, 3, 1][axis]
        else:
            parts = [self.to_tf_layout(p) for p in parts]
            onnx_axis = axis
        shape = list(parts[0].shape)
        shape[axis] = sum(p.shape[axis] for p in parts)
        out = self.fresh(node.name)
        self.add_node("Concat", [p.name for p in parts], [out], name=node.name, axis=onnx_axis)
        self.set(node, Tensor(out, shape, nchw=parts[0].nchw))


# ---- clean-up passes over the finished ONNX graph -------------------------------------------

def _consumers(nodes):
    uses = {}
    for n in nodes:
        for i in n.input:
            uses.setdefault(i, []).append(n)
    return uses


def _attr(node, name, default=None):
    for a in node.attribute:
        if a.name == name:
            return helper.get_attribute_value(a)
    return default


def _fold_into_conv(nodes, inits, protected):
    """Folds an Add or Mul of a per-channel constant that directly follows a Conv into the
    Conv's weights and bias, so OpenCV sees one layer with no broadcast arithmetic."""
    changed = True
    while changed:
        changed = False
        uses = _consumers(nodes)
        for conv in nodes:
            if conv.op_type != "Conv":
                continue
            out = conv.output[0]
            if out in protected or len(uses.get(out, [])) != 1:
                continue
            nxt = uses[out][0]
            if nxt.op_type not in ("Add", "Mul") or len(nxt.input) != 2:
                continue
            other = nxt.input[1] if nxt.input[0] == out else nxt.input[0]
            if other not in inits:
                continue
            w = numpy_helper.to_array(inits[conv.input[1]]).astype(np.float64)
            oc = w.shape[0]
            c = numpy_helper.to_array(inits[other]).astype(np.float64)
            if c.size == 1:
                c = np.full(oc, float(c.reshape(())))
            elif c.shape in ((oc, 1, 1), (1, oc, 1, 1), (oc,)):
                c = c.reshape(oc)
            else:
                continue
            bias = (numpy_helper.to_array(inits[conv.input[2]]).astype(np.float64)
                    if len(conv.input) > 2 else np.zeros(oc))
            if nxt.op_type == "Mul":
                w = w * c.reshape(oc, 1, 1, 1)
                bias = bias * c
            else:
                bias = bias + c
            inits[conv.input[1]] = numpy_helper.from_array(w.astype(np.float32), conv.input[1])
            bname = conv.input[2] if len(conv.input) > 2 else conv.input[1] + "_bias"
            inits[bname] = numpy_helper.from_array(bias.astype(np.float32), bname)
            if len(conv.input) > 2:
                conv.input[2] = bname
            else:
                conv.input.append(bname)
            conv.output[0] = nxt.output[0]
            nodes.remove(nxt)
            changed = True
            break


def _merge_activations(nodes, protected):
    """Relu followed by Clip, and Clip followed by Clip, become one Clip (Relu6 when the
    bounds are 0 and 6, which OpenCV runs as a single layer)."""
    changed = True
    while changed:
        changed = False
        uses = _consumers(nodes)
        for first in nodes:
            if first.op_type not in ("Relu", "Clip"):
                continue
            out = first.output[0]
            if out in protected or len(uses.get(out, [])) != 1:
                continue
            second = uses[out][0]
            if second.op_type not in ("Relu", "Clip"):
                continue
            lo1, hi1 = ((0.0, FLT_MAX) if first.op_type == "Relu"
                        else (_attr(first, "min", -FLT_MAX), _attr(first, "max", FLT_MAX)))
            lo2, hi2 = ((0.0, FLT_MAX) if second.op_type == "Relu"
                        else (_attr(second, "min", -FLT_MAX), _attr(second, "max", FLT_MAX)))
            lo, hi = max(lo1, lo2), min(hi1, hi2)
            if lo > hi:
                continue
            merged = helper.make_node("Clip", [first.input[0]], [second.output[0]], name=first.name,
                                      min=float(lo), max=float(hi))
            i = nodes.index(first)
            nodes[i] = merged
            nodes.remove(second)
            changed = True
            break
    for i, n in enumerate(nodes):
        if n.op_type == "Clip" and _attr(n, "min") == 0.0 and _attr(n, "max") == FLT_MAX:
            nodes[i] = helper.make_node("Relu", [n.input[0]], [n.output[0]], name=n.name)


def _drop_identities(nodes, output_names):
    """Removes Identity nodes except the ones that give outputs their names."""
    rename = {}
    kept = []
    for n in nodes:
        if n.op_type == "Identity" and n.output[0] not in output_names:
            rename[n.output[0]] = rename.get(n.input[0], n.input[0])
        else:
            kept.append(n)
    for n in kept:
        for i, name in enumerate(n.input):
            if name in rename:
                n.input[i] = rename[name]
    return kept


def _drop_unused_initializers(nodes, inits):
    used = {i for n in nodes for i in n.input}
    for name in list(inits):
        if name not in used:
            del inits[name]


def convert(model_json, outputs=None, input_size=None, graph_name=None):
    """Returns the ONNX ModelProto for the given TensorFlow.js graph model."""
    graph = tfjs_graph.load(model_json)
    if not outputs:
        if graph.signature and graph.signature.get("outputs"):
            outputs = [o["name"].split(":")[0] for o in graph.signature["outputs"].values()]
        else:
            consumed = {src for n in graph.nodes.values() for src, _ in n.inputs}
            outputs = [n for n in graph.nodes if n not in consumed and graph.nodes[n].op != "Const"]
    names = [o.partition("=")[2] or o.partition("=")[0].split(":")[0] for o in outputs]
    outputs = [o.partition("=")[0].split(":")[0] for o in outputs]
    placeholders = graph.placeholders()
    if len(placeholders) != 1:
        raise ConversionError(f"expected one image input, the model has {len(placeholders)}")

    builder = Builder(graph)
    graph_outputs = builder.convert(outputs, names, input_size)
    nodes = builder.nodes
    protected = set(names)
    _fold_into_conv(nodes, builder.initializers, protected)
    _merge_activations(nodes, protected)
    nodes = _drop_identities(nodes, protected)
    _drop_unused_initializers(nodes, builder.initializers)

    onnx_graph = helper.make_graph(nodes, graph_name or os.path.splitext(os.path.basename(model_json))[0],
                                   [builder.input], graph_outputs, list(builder.initializers.values()))
    model = helper.make_model(onnx_graph, opset_imports=[helper.make_opsetid("", OPSET)],
                              producer_name="nerova-vardo tfjs_to_onnx")
    model.ir_version = 5  # the IR of opset 10; older readers accept it
    onnx.checker.check_model(model)
    return model


def save(model, path):
    """Writes the model next to its final place and renames it in, so a reader never sees
    half a file."""
    tmp = path + ".tmp"
    onnx.save(model, tmp)
    os.replace(tmp, path)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("model_json")
    parser.add_argument("out_onnx")
    parser.add_argument("--output", action="append", metavar="NODE[=NAME]",
                        help="node to expose as an output, optionally under another name (repeatable); "
                        "default: the outputs of the model's signature")
    parser.add_argument("--input-size", nargs=2, type=int, metavar=("H", "W"),
                        help="fix the spatial size of the image input")
    args = parser.parse_args(argv)
    try:
        model = convert(args.model_json, args.output, args.input_size)
        save(model, args.out_onnx)
    except (ConversionError, tfjs_graph.GraphModelError, onnx.checker.ValidationError) as e:
        print(f"tfjs_to_onnx: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
