"""Face crops made the way the application makes them, for measuring and checking the
face-embedding model in Python.

The application takes a 640x480 camera frame, a face box from its detector, widens the box by
0.2 of its width on the left and right and 0.2 of its height at the top and bottom, clips it to
the frame and scales the result to 112x112 without keeping the aspect ratio. Here OpenCV's
frontal-face Haar cascade stands in for the detector; its boxes are about as tight as the
application's detector's.
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
