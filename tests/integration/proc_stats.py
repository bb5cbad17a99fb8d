"""What the kernel says about a running program: its resident memory, the
CPU time it has used, its open descriptors and their limit, read from /proc."""
import os

TICKS = os.sysconf("SC_CLK_TCK")


def rss_bytes(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    raise AssertionError("no VmRSS for %d" % pid)


def cpu_seconds(pid):
    """User plus system time used so far."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def open_files_limit(pid):
    """The soft and hard descriptor limits as (soft, hard)."""
    with open("/proc/%d/limits" % pid) as f:
        for line in f:
            if line.startswith("Max open files"):
                parts = line.split()
                return int(parts[3]), int(parts[4])
    raise AssertionError("no descriptor limit for %d" % pid)


def open_descriptors(pid):
    """How many descriptors the program holds open now."""
    return len(os.listdir("/proc/%d/fd" % pid))
