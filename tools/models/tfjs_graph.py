"""Reads a TensorFlow.js graph model (model.json plus its .bin weight shards) into plain
Python: the nodes with decoded attributes and every constant as a float32/int32 numpy array.

Weights quantised in the manifest (float16, uint8, uint16) are widened to float32 here the
same way TensorFlow.js does when it loads them, so a converted model computes with exactly
the values the original runs with.
"""

import base64
import json
import os

import numpy as np


class GraphModelError(Exception):
    pass


class Node:
    def __init__(self, name, op, inputs, attrs):
        self.name = name
        self.op = op
        self.inputs = inputs  # data inputs only, as (node name, output index)
        self.attrs = attrs

    def attr(self, key, default=None):
        return self.attrs.get(key, default)

    def __repr__(self):
        return f"Node({self.name!r}, {self.op!r})"


class GraphModel:
    def __init__(self, nodes, constants, signature, path):
        self.nodes = nodes          # name -> Node, in file order
        self.constants = constants  # name -> np.ndarray
        self.signature = signature
        self.path = path

    def placeholders(self):
        return [n for n in self.nodes.values() if n.op == "Placeholder"]


_DTYPES = {
    "float32": (np.float32, 4),
    "int32": (np.int32, 4),
    "bool": (np.bool_, 1),
}
_QUANTISED = {"float16": np.float16, "uint8": np.uint8, "uint16": np.uint16}


def _decode_attr(value):
    """Turns one attribute of model.json (TensorFlow's AttrValue in JSON) into a Python value."""
    if "s" in value:
        return base64.b64decode(value["s"]).decode("utf-8")
    if "i" in value:
        return int(value["i"])
    if "f" in value:
        return float(value["f"])
    if "b" in value:
        return bool(value["b"])
    if "type" in value:
        return value["type"]
    if "shape" in value:
        dims = value["shape"].get("dim", [])
        return [int(d.get("size", -1)) for d in dims]
    if "list" in value:
        lst = value["list"]
        if "s" in lst:
            return [base64.b64decode(s).decode("utf-8") for s in lst["s"]]
        if "i" in lst:
            return [int(i) for i in lst["i"]]
        if "f" in lst:
            return [float(f) for f in lst["f"]]
        return []
    if "tensor" in value:
        return value["tensor"]
    return None


def _parse_input(ref):
    if ref.startswith("^"):
        return None  # control dependency: no data flows, ordering is implied by data edges
    name, _, index = ref.partition(":")
    return name, int(index) if index else 0


def _read_weights(manifest, base_dir):
    constants = {}
    for group in manifest:
        chunks = []
        for rel in group["paths"]:
            path = os.path.join(base_dir, rel)
            try:
                with open(path, "rb") as f:
                    chunks.append(f.read())
            except OSError as e:
                raise GraphModelError(f"cannot read weight shard {path}: {e.strerror}") from e
        data = b"".join(chunks)
        offset = 0
        for spec in group["weights"]:
            name, shape, dtype = spec["name"], spec["shape"], spec["dtype"]
            count = int(np.prod(shape)) if shape else 1
            quant = spec.get("quantization")
            if quant:
                qtype = _QUANTISED.get(quant["dtype"])
                if qtype is None:
                    raise GraphModelError(f"weight {name}: unsupported quantisation {quant['dtype']}")
                size = count * np.dtype(qtype).itemsize
                raw = np.frombuffer(data, qtype, count, offset)
                if qtype is np.float16:
                    values = raw.astype(np.float32)
                else:
                    values = raw.astype(np.float32) * np.float32(quant["scale"]) + np.float32(quant["min"])
                if dtype == "int32":
                    values = np.round(values).astype(np.int32)
            else:
                if dtype not in _DTYPES:
                    raise GraphModelError(f"weight {name}: unsupported dtype {dtype}")
                np_type, itemsize = _DTYPES[dtype]
                size = count * itemsize
                values = np.frombuffer(data, np_type, count, offset)
            if offset + size > len(data):
                raise GraphModelError(f"weight {name} runs past the end of its shards")
            constants[name] = np.array(values).reshape(shape)
            offset += size
        if offset != len(data):
            raise GraphModelError(f"weight shards {group['paths']} hold {len(data) - offset} unused bytes")
    return constants


def load(model_json):
    """Loads model.json and the shards it names from the same directory."""
    try:
        with open(model_json, "r", encoding="utf-8") as f:
            doc = json.load(f)
    except (OSError, ValueError) as e:
        raise GraphModelError(f"cannot read {model_json}: {e}") from e
    if doc.get("format") not in (None, "graph-model"):
        raise GraphModelError(f"{model_json} is a {doc.get('format')}, not a graph model")
    topology = doc.get("modelTopology", {})
    if topology.get("library", {}).get("function"):
        raise GraphModelError(f"{model_json} uses control-flow functions, which are not supported")

    nodes = {}
    for raw in topology.get("node", []):
        inputs = [p for p in (_parse_input(r) for r in raw.get("input", [])) if p is not None]
        attrs = {k: _decode_attr(v) for k, v in raw.get("attr", {}).items()}
        nodes[raw["name"]] = Node(raw["name"], raw["op"], inputs, attrs)

    constants = _read_weights(doc.get("weightsManifest", []), os.path.dirname(os.path.abspath(model_json)))
    for node in nodes.values():
        if node.op == "Const" and node.name not in constants:
            raise GraphModelError(f"constant {node.name} has no weights in the manifest")
    return GraphModel(nodes, constants, doc.get("signature"), model_json)
