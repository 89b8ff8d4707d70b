"""Writes a tiny stand-in for a depth model: the depth model's input (1x3x392x518) and one
output map of the same height and width that ignores the picture and shows a fixed
relief. usage: make_depth_model.py OUT.onnx real|flat|empty"""
import sys

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

out, kind = sys.argv[1], sys.argv[2]
h, w = 392, 518
if kind == "real":  # a rounded head: nearer in the middle
    y, x = np.mgrid[0:h, 0:w]
    relief = 1.0 - 3.0 * (((x - w / 2) / w) ** 2 + ((y - h / 2) / h) ** 2)
elif kind == "flat":  # a picture: one plane
    relief = np.full((h, w), 0.8)
else:  # nothing usable
    relief = np.zeros((h, w))
relief = relief.astype(np.float32).reshape(1, 1, h, w)

# depth = conv(image, zero weights) + relief: the output depends on the input's shape only.
nodes = [
    helper.make_node("Conv", ["image", "weights", "bias"], ["zeros"], kernel_shape=[1, 1]),
    helper.make_node("Add", ["zeros", "relief"], ["depth"]),
]
graph = helper.make_graph(
    nodes, "depth_stand_in",
    [helper.make_tensor_value_info("image", TensorProto.FLOAT, [1, 3, h, w])],
    [helper.make_tensor_value_info("depth", TensorProto.FLOAT, [1, 1, h, w])],
    [numpy_helper.from_array(np.zeros((1, 3, 1, 1), np.float32), "weights"),
     numpy_helper.from_array(np.zeros((1,), np.float32), "bias"),
     numpy_helper.from_array(relief, "relief")])
model = helper.make_model(graph, opset_imports=[helper.make_opsetid("", 11)])
onnx.save(model, out)
