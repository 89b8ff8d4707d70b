#!/usr/bin/python3
"""Checks the installed ONNX models against the TensorFlow.js originals they were converted
from: the same inputs go through OpenCV's DNN module (as in the application) and through
TensorFlow.js's pure-JavaScript CPU backend (reference.mjs), and every output must agree to a
relative error (|onnx - reference| / |reference|) below 1e-4.

face_embedding.onnx is fed real face crops from the test data, cropped as the application
crops them, and random images; its reference is faceres run on the 2x-upscaled input, centred
on face_population_mean.txt and cut to 512 values, which is what build_face_embedding.py puts
around the backbone. blazeface.onnx is fed a real frame and a random image, both in its
[-1, 1] input range and at the input size the file declares (the reference is run at that size
too).

Needs build-models to have run (models installed, node_modules present). Exits 0 when every
check passes, 1 otherwise, with a line per check.

Usage: verify_conversion.py [--models-dir DIR] [--testdata DIR]
"""

import argparse
import os
import subprocess
import sys
import tempfile

import cv2
import numpy as np
import onnx

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import build_face_embedding  # noqa: E402
import face_crop  # noqa: E402
import tfjs_graph  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
NODE_MODULES = os.path.join(HERE, "node_modules")
PACKAGE_MODELS = os.path.join(NODE_MODULES, "@vladmandic", "human-models", "models")
TOLERANCE = 1e-4
FACE_PROBES = 4
BLAZEFACE_OUTPUTS = (("scores_16", "Identity"), ("boxes_16", "Identity_2"),
                     ("scores_8", "Identity_1"), ("boxes_8", "Identity_3"))


class Missing(Exception):
    pass


def default_models_dir():
    """Where build-models installs by default for the current user."""
    if os.geteuid() == 0:
        return "/usr/share/nerova-vardo/models"
    data = os.environ.get("XDG_DATA_HOME") or os.path.join(os.path.expanduser("~"), ".local", "share")
    return os.path.join(data, "NerovaVardo", "models")


def require(path, what):
    if not os.path.exists(path):
        raise Missing(f"{what} not found at {path}; run tools/models/build-models first")
    return path


def run_reference(model_json, images_nhwc, nodes):
    """Runs the TensorFlow.js model on a batch of NHWC images; returns one list of arrays
    (one per node) per image."""
    n, h, w, _ = images_nhwc.shape
    with tempfile.TemporaryDirectory() as tmp:
        inp, out = os.path.join(tmp, "in.f32"), os.path.join(tmp, "out.f32")
        np.ascontiguousarray(images_nhwc, np.float32).tofile(inp)
        done = subprocess.run(["node", os.path.join(HERE, "reference.mjs"), model_json, inp, str(h), str(w), out,
                               *nodes], cwd=HERE, capture_output=True, text=True)
        if done.returncode != 0:
            raise RuntimeError("reference.mjs failed: " + done.stderr.strip().splitlines()[-1])
        flat = np.fromfile(out, np.float32)
    return flat.reshape(n, -1)


def relative_error(got, want):
    scale = np.linalg.norm(want)
    return float(np.linalg.norm(got - want) / (scale if scale > 0 else 1.0))


def face_inputs(testdata):
    crops, labels = [], []
    for person, files in face_crop.identity_images(os.path.join(testdata, "identities")).items():
        for f in files:
            crop = face_crop.face_crop_of_photo(f)
            if crop is not None:
                crops.append(face_crop.to_blob(crop)[0])
                labels.append(os.path.relpath(f, testdata))
                break
        if len(crops) == FACE_PROBES:
            break
    if not crops:
        raise Missing(f"no face found in {testdata}/identities")
    rng = np.random.RandomState(20240607)
    for i in range(2):
        crops.append(rng.uniform(0, 255, (3, 112, 112)).astype(np.float32))
        labels.append(f"random image {i + 1}")
    return np.stack(crops), labels


def check_face_embedding(models_dir, testdata):
    path = require(os.path.join(models_dir, "face_embedding.onnx"), "face_embedding.onnx")
    model = onnx.load(path)
    dims = lambda v: [d.dim_value for d in v.type.tensor_type.shape.dim]  # noqa: E731
    contract = ([(i.name, dims(i)) for i in model.graph.input], [dims(o) for o in model.graph.output])
    if contract != ([("input", [1, 3, 112, 112])], [[1, 512]]):
        print(f"FAIL face_embedding.onnx: inputs/outputs {contract}, expected input 1x3x112x112 and one 1x512 output")
        return False
    net = cv2.dnn.readNetFromONNX(path)
    images, labels = face_inputs(testdata)
    got = []
    for image in images:
        net.setInput(image[None])
        got.append(net.forward().ravel())

    upscaled = np.repeat(np.repeat(images, 2, axis=2), 2, axis=3).transpose(0, 2, 3, 1)
    descriptors = run_reference(require(os.path.join(PACKAGE_MODELS, "faceres.json"), "faceres.json"),
                                upscaled, [build_face_embedding.DESCRIPTOR_NODE])
    mean = build_face_embedding.load_mean(build_face_embedding.DEFAULT_MEAN)
    b, c = build_face_embedding.head_weights(mean)
    ok = True
    for label, g, d in zip(labels, got, descriptors):
        want = (b.astype(np.float64) @ d.astype(np.float64) + c).astype(np.float32)
        err = relative_error(g, want)
        ok &= err < TOLERANCE
        print(f"{'ok  ' if err < TOLERANCE else 'FAIL'} face_embedding.onnx  {label}: relative error {err:.2e}")
    return ok


def reference_nodes(model_json, outputs):
    """The TensorFlow.js nodes whose values the named outputs hold. A trailing Reshape is
    stepped over: it changes no value or order, and its constant target only fits the size the
    model was exported with, while the converted model may be made for another."""
    graph = tfjs_graph.load(model_json)
    nodes = []
    for name in outputs:
        node = graph.nodes[name]
        while node.op in ("Identity", "Reshape"):
            node = graph.nodes[node.inputs[0][0]]
        nodes.append(node.name)
    return nodes


def check_blazeface(models_dir, testdata):
    path = require(os.path.join(models_dir, "blazeface.onnx"), "blazeface.onnx")
    inputs = onnx.load(path).graph.input
    dims = [d.dim_value for d in inputs[0].type.tensor_type.shape.dim] if len(inputs) == 1 else []
    if len(dims) != 4 or dims[:2] != [1, 3] or min(dims) <= 0:
        print(f"FAIL blazeface.onnx: input {dims}, expected one fixed 1x3xHxW input")
        return False
    h, w = dims[2], dims[3]
    net = cv2.dnn.readNetFromONNX(path)
    frame = cv2.imread(os.path.join(testdata, "groups", "2008_002470.jpg"))
    if frame is None:
        raise Missing(f"cannot read {testdata}/groups/2008_002470.jpg")
    real = cv2.cvtColor(cv2.resize(frame, (w, h)), cv2.COLOR_BGR2RGB).astype(np.float32) / 127.5 - 1.0
    noise = np.random.RandomState(7).uniform(-1, 1, (h, w, 3)).astype(np.float32)
    images = np.stack([real, noise])
    model_json = require(os.path.join(PACKAGE_MODELS, "blazeface-back.json"), "blazeface-back.json")
    reference = run_reference(model_json, images, reference_nodes(model_json, [tf for _, tf in BLAZEFACE_OUTPUTS]))
    ok = True
    for label, image, ref in zip(["group photo 2008_002470.jpg", "random image"], images, reference):
        net.setInput(np.ascontiguousarray(image.transpose(2, 0, 1)[None]))
        outs = net.forward([name for name, _ in BLAZEFACE_OUTPUTS])
        err = relative_error(np.concatenate([o.ravel() for o in outs]), ref)
        ok &= err < TOLERANCE
        print(f"{'ok  ' if err < TOLERANCE else 'FAIL'} blazeface.onnx       {label} at {w}x{h}: relative error {err:.2e}")
    return ok


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--models-dir", default=default_models_dir())
    parser.add_argument("--testdata", default=face_crop.default_testdata_dir())
    args = parser.parse_args(argv)
    try:
        if not args.testdata or not os.path.isdir(os.path.join(args.testdata, "identities")):
            raise Missing(f"test data not found at {args.testdata}")
        require(os.path.join(NODE_MODULES, "@tensorflow", "tfjs-core"), "node_modules (tfjs)")
        ok = check_face_embedding(args.models_dir, args.testdata)
        ok &= check_blazeface(args.models_dir, args.testdata)
    except Missing as e:
        print(f"verify_conversion: {e}", file=sys.stderr)
        return 1
    except (RuntimeError, OSError, cv2.error, tfjs_graph.GraphModelError) as e:
        print(f"verify_conversion: {e}", file=sys.stderr)
        return 1
    print("all outputs match the TensorFlow.js models" if ok else "some outputs differ from the TensorFlow.js models")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
