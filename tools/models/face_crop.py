"""Face crops made the way the application makes them, for measuring and checking the
face-embedding model in Python.

The application takes a 640x480 camera frame, a face box from its detector, widens the box by
0.2 of its width on the left and right and 0.2 of its height at the top and bottom, clips it to
the frame and scales the result to 112x112 without keeping the aspect ratio. BlazeFace and
app_crop below do exactly that; the older Haar path (face_crop_of_photo, crop_face) stands in
for the detector with OpenCV's frontal-face cascade and is kept for the conversion check,
whose numbers do not depend on where a face box sits.
"""

import glob
import os

import cv2
import numpy as np

FRAME_W, FRAME_H = 640, 480
CROP = 112
HAAR = "/usr/share/opencv4/haarcascades/haarcascade_frontalface_default.xml"
# The application drops faces that cover 2 % of the frame or less; a square box of that area
# on a 640x480 frame is 78 px wide, so nothing smaller than this is worth searching for.
MIN_FACE = 64

_cascade = None


def cascade():
    global _cascade
    if _cascade is None:
        _cascade = cv2.CascadeClassifier(HAAR)
        if _cascade.empty():
            raise RuntimeError(f"cannot load the Haar cascade {HAAR} (Debian package opencv-data)")
    return _cascade


def as_camera_frame(image):
    """Places an image on a 640x480 mid-grey frame, centred; larger images are first scaled
    down to fit, so a photo looks like a webcam frame with the face a part of it."""
    h, w = image.shape[:2]
    if w > FRAME_W or h > FRAME_H:
        s = min(FRAME_W / w, FRAME_H / h)
        image = cv2.resize(image, (max(1, round(w * s)), max(1, round(h * s))), interpolation=cv2.INTER_AREA)
        h, w = image.shape[:2]
    frame = np.full((FRAME_H, FRAME_W, 3), 128, np.uint8)
    y, x = (FRAME_H - h) // 2, (FRAME_W - w) // 2
    frame[y:y + h, x:x + w] = image
    return frame


def detect_faces(frame, min_size=MIN_FACE):
    """All face boxes (x, y, w, h) in pixels, top-left origin, with OpenCV's default search
    settings."""
    gray = cv2.cvtColor(frame, cv2.COLOR_BGR2GRAY)
    boxes = cascade().detectMultiScale(gray, scaleFactor=1.1, minNeighbors=3, minSize=(min_size, min_size))
    return [tuple(int(v) for v in b) for b in boxes]


def largest_face(frame):
    boxes = detect_faces(frame)
    return max(boxes, key=lambda b: b[2] * b[3]) if boxes else None


def crop_face(frame, box, size=CROP):
    """The application's crop: box plus 0.2 margins, clipped to the frame, scaled to size x size
    ignoring the aspect ratio. Returns None when the clipped box is 10 px or less on a side."""
    x, y, w, h = (float(v) for v in box)
    x0, y0 = max(0.0, x - 0.2 * w), max(0.0, y - 0.2 * h)
    x1, y1 = min(float(frame.shape[1]), x + 1.2 * w), min(float(frame.shape[0]), y + 1.2 * h)
    if x1 - x0 <= 10 or y1 - y0 <= 10:
        return None
    region = frame[int(round(y0)):int(round(y1)), int(round(x0)):int(round(x1))]
    return cv2.resize(region, (size, size), interpolation=cv2.INTER_LINEAR)


def to_blob(crop_bgr):
    """A BGR crop as the model's input: 1x3xHxW float32, RGB order, values 0..255."""
    rgb = cv2.cvtColor(crop_bgr, cv2.COLOR_BGR2RGB).astype(np.float32)
    return np.ascontiguousarray(rgb.transpose(2, 0, 1)[None])


def video_frames(path, every):
    """(index, frame) for every `every`-th frame of a video file, from the first."""
    capture = cv2.VideoCapture(path)
    index = 0
    try:
        while True:
            ok, frame = capture.read()
            if not ok:
                return
            if index % every == 0:
                yield index, frame
            index += 1
    finally:
        capture.release()


def identity_images(identities_dir):
    """{person: [image paths, sorted]} for a folder of one sub-folder per person."""
    people = {}
    for person in sorted(os.listdir(identities_dir)):
        files = sorted(glob.glob(os.path.join(identities_dir, person, "*.jpg"))
                       + glob.glob(os.path.join(identities_dir, person, "*.png")))
        if files:
            people[person] = files
    return people


def face_crop_of_photo(path):
    """The crop of the largest face of a photo shown to the camera, or None when the stand-in
    detector finds no face."""
    image = cv2.imread(path)
    if image is None:
        raise RuntimeError(f"cannot read image {path}")
    frame = as_camera_frame(image)
    box = largest_face(frame)
    return None if box is None else crop_face(frame, box)


def default_testdata_dir():
    here = os.path.dirname(os.path.abspath(__file__))
    for candidate in (os.environ.get("VARDO_TESTDATA_DIR"),
                      os.path.join(here, "..", "..", "..", "shared", "testdata"),
                      os.path.join(here, "..", "..", "testdata")):
        if candidate and os.path.isdir(os.path.join(candidate, "identities")):
            return os.path.abspath(candidate)
    return None


# The application's detector: BlazeFace as build-models converts it (320 x 224 input), with
# the application's decoding. Haar boxes sit differently on a face (tighter at the chin,
# looser at the forehead), so numbers fitted or measured on them do not carry over exactly.
BLAZEFACE_INPUT = (320, 224)
BLAZEFACE_MIN_SCORE = 0.7
# Faces whose box covers this share of the frame or less get no landmarks and no embedding.
MIN_FACE_AREA = 0.02


def build_blazeface(model_json, out_onnx):
    """Converts blazeface-back exactly as build-models does."""
    import subprocess
    import sys
    here = os.path.dirname(os.path.abspath(__file__))
    subprocess.run([sys.executable, os.path.join(here, "tfjs_to_onnx.py"), model_json, out_onnx,
                    "--output", "Identity=scores_16", "--output", "Identity_2=boxes_16",
                    "--output", "Identity_1=scores_8", "--output", "Identity_3=boxes_8",
                    "--input-size", str(BLAZEFACE_INPUT[1]), str(BLAZEFACE_INPUT[0])], check=True)


class BlazeFace:
    def __init__(self, onnx_path):
        self.net = cv2.dnn.readNetFromONNX(onnx_path)
        w, h = BLAZEFACE_INPUT
        anchors = []
        for stride, per_cell in ((16, 2), (32, 6)):
            for y in range((h + stride - 1) // stride):
                for x in range((w + stride - 1) // stride):
                    anchors += [(stride * (x + 0.5), stride * (y + 0.5))] * per_cell
        self.anchors = np.array(anchors, np.float64)

    def detect(self, frame, min_score=BLAZEFACE_MIN_SCORE):
        """Face boxes (x, y, w, h) in frame pixels, best first, as the application finds them."""
        w, h = BLAZEFACE_INPUT
        scale = min(w / frame.shape[1], h / frame.shape[0])
        fw, fh = max(1, round(frame.shape[1] * scale)), max(1, round(frame.shape[0] * scale))
        canvas = np.full((h, w, 3), 128, np.uint8)
        canvas[:fh, :fw] = cv2.resize(frame, (fw, fh), interpolation=cv2.INTER_AREA)
        self.net.setInput(cv2.dnn.blobFromImage(canvas, 1 / 127.5, None, (127.5,) * 3, True, False))
        s16, b16, s8, b8 = self.net.forward(["scores_16", "boxes_16", "scores_8", "boxes_8"])
        logits = np.concatenate([s16.reshape(-1), s8.reshape(-1)]).astype(np.float64)
        reg = np.concatenate([b16.reshape(-1, 16), b8.reshape(-1, 16)]).astype(np.float64)
        keep = logits >= np.log(min_score / (1 - min_score))
        scores = 1 / (1 + np.exp(-logits[keep]))
        r, a = reg[keep], self.anchors[keep]
        cx, cy = (a[:, 0] + r[:, 0]) / scale, (a[:, 1] + r[:, 1]) / scale
        bw, bh = r[:, 2] / scale, r[:, 3] / scale
        ok = (bw > 0) & (bh > 0)
        boxes = [(float(x - ww / 2), float(y - hh / 2), float(ww), float(hh))
                 for x, y, ww, hh in zip(cx[ok], cy[ok], bw[ok], bh[ok])]
        scores = [float(s) for s in scores[ok]]
        kept = cv2.dnn.NMSBoxes(boxes, scores, min_score, 0.3) if boxes else []
        order = sorted(np.array(kept).reshape(-1), key=lambda i: -scores[i])
        return [boxes[i] for i in order]

    def faces(self, frame):
        """The boxes of faces large enough to be embedded by the application."""
        area = frame.shape[0] * frame.shape[1]
        return [b for b in self.detect(frame) if b[2] * b[3] / area > MIN_FACE_AREA]


def app_crop(frame, box, size=CROP):
    """The application's crop exactly: box plus 0.2 margins clipped to the frame, corners
    rounded to pixels, area averaging when the region is larger than the crop on both
    sides, bilinear otherwise."""
    x, y, w, h = (float(v) for v in box)
    fh, fw = frame.shape[:2]
    left, top = max(x - 0.2 * w, 0.0), max(y - 0.2 * h, 0.0)
    right, bottom = min(x + 1.2 * w, float(fw)), min(y + 1.2 * h, float(fh))
    if not (right - left > 10 and bottom - top > 10):
        return None
    rnd = lambda v: int(np.floor(v + 0.5))  # std::lround for the non-negative values here
    l = min(max(rnd(left), 0), fw - 1)
    t = min(max(rnd(top), 0), fh - 1)
    r = min(max(rnd(right), l + 1), fw)
    b = min(max(rnd(bottom), t + 1), fh)
    region = frame[t:b, l:r]
    shrinking = region.shape[1] > size and region.shape[0] > size
    return cv2.resize(region, (size, size), interpolation=cv2.INTER_AREA if shrinking else cv2.INTER_LINEAR)


def app_crop_of_photo(path, detector):
    """The application's crop of the best face of a photo shown to the camera, or None when
    the detector finds no face large enough."""
    image = cv2.imread(path)
    if image is None:
        raise RuntimeError(f"cannot read image {path}")
    frame = as_camera_frame(image)
    boxes = detector.faces(frame)
    return app_crop(frame, boxes[0]) if boxes else None
