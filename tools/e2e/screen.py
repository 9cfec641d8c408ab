"""Screen pixels of the X display in $DISPLAY, read through ImageMagick's import, and pixels of
picture files, read through its convert; nothing else."""
import subprocess


class Grab:
    """One picture of the whole screen, or of a picture file."""

    def __init__(self, path=None):
        source = ["convert", path] if path else ["import", "-silent", "-window", "root"]
        data = subprocess.run(source + ["-depth", "8", "ppm:-"],
                              capture_output=True, check=True).stdout
        # P6 header: magic, width, height, maximum value, each followed by white space.
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[pos + 1:]

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            return (0, 0, 0)
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])

    def region(self, x, y, w, h):
        return [self.pixel(x + i, y + j) for j in range(h) for i in range(w)]

    def count(self, x, y, w, h, colour, tolerance=60):
        return sum(colour_distance(p, colour) < tolerance for p in self.region(x, y, w, h))


def colour_distance(a, b):
    return sum(abs(p - q) for p, q in zip(a, b))


def save_screenshot(path):
    subprocess.run(["import", "-silent", "-window", "root", path], check=False)
