// MakeLha: writes LHA archives with jlha (Debian libjlha-java) so that our decoder
// is tested against data from an encoder we did not write.
//
//   java -cp jlha.jar:CLASSDIR MakeLha write [-m METHOD] [-l LEVEL] [-t EPOCH] [-e CHARSET] OUT.lzh LIST
//   java -cp jlha.jar:CLASSDIR MakeLha check [-e CHARSET] ARCHIVE LIST
//
// LIST is a UTF-8 text file, one archive member per line, in archive order:
//   STORED_NAME <TAB> INPUT_FILE [<TAB> METHOD]
// STORED_NAME uses '/' between path parts. A name ending in '/' with INPUT_FILE "-" is a
// directory entry (-lhd-). The optional METHOD overrides -m, so one archive can mix methods.
//
// "write" always stores a member with the method asked for. jlha's own putNextEntry()
// silently falls back to -lh0- whenever compression does not shrink the data, which
// would quietly turn our 1-byte, 2-byte and random-data members into stored ones; so
// we run the encoder ourselves and hand the result over as already compressed.
//
// "check" decodes an archive with jlha's own decoder and compares every member with its
// input file. It is only a round-trip check (same library on both sides); we use it for
// -lh2- and -lh3-, which lhasa 0.3.1 cannot decode.
//
// How jlha stores names (seen in the bytes it writes, jlha 0.0.20050504):
//  - Names are encoded with the charset in the "lha.encoding" property. Its default is
//    ISO8859_1, which turns every Japanese character into '?', so we pass windows-31j
//    (CP932, the Shift_JIS variant Windows uses). jlha never writes a Unicode (0x44) or
//    any UTF-16 extended header, at any level.
//  - Level 0: the whole path in the base header, Shift_JIS bytes, '\' (0x5C) between
//    path parts. Trail bytes of Shift_JIS characters can also be 0x5C (ソ, 表, 能, ...).
//  - Level 1: the file name (Shift_JIS) in the base header; the directory in extended
//    header 0x02, Shift_JIS, 0xFF between parts and after the last one.
//  - Level 2: file name in extended header 0x01, directory in 0x02 as for level 1.
//  - OS id: none at level 0, 'J' at levels 1 and 2. Level 0/1 times are MS-DOS local
//    time (run with TZ=UTC and -Duser.timezone=UTC), level 2 is a Unix time.
import jp.gr.java_conf.dangan.util.lha.CRC16;
import jp.gr.java_conf.dangan.util.lha.CompressMethod;
import jp.gr.java_conf.dangan.util.lha.LhaHeader;
import jp.gr.java_conf.dangan.util.lha.LhaInputStream;
import jp.gr.java_conf.dangan.util.lha.LhaOutputStream;
import jp.gr.java_conf.dangan.util.lha.LhaProperty;

import java.io.ByteArrayOutputStream;
import java.io.FileInputStream;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Date;
import java.util.List;
import java.util.Properties;

public class MakeLha {
    private static final String DIRECTORY_METHOD = "-lhd-";
    private static final String DEFAULT_METHOD = "-lh5-";
    private static final int DEFAULT_LEVEL = 2;
    // 2021-06-15 12:34:56 UTC: even seconds, because MS-DOS times keep seconds / 2.
    private static final long DEFAULT_EPOCH_SECONDS = 1623760496L;
    private static final String DEFAULT_CHARSET = "windows-31j";
    private static final long MILLIS_PER_SECOND = 1000L;
    private static final int EXIT_USAGE = 2;
    private static final int EXIT_MISMATCH = 1;

    /** One line of the member list. */
    private static final class Member {
        final String name;
        final String input;
        final String method;

        Member(String name, String input, String method) {
            this.name = name;
            this.input = input;
            this.method = method;
        }

        boolean isDirectory() {
            return name.endsWith("/");
        }
    }

    /** Command-line settings shared by both commands. */
    private static final class Options {
        String method = DEFAULT_METHOD;
        int level = DEFAULT_LEVEL;
        long epochSeconds = DEFAULT_EPOCH_SECONDS;
        String charset = DEFAULT_CHARSET;
        final List<String> args = new ArrayList<>();
    }

    public static void main(String[] argv) throws IOException {
        if (argv.length < 1) {
            usage();
        }
        Options opt = parseOptions(Arrays.copyOfRange(argv, 1, argv.length));
        if (opt.args.size() != 2) {
            usage();
        }
        String archive = opt.args.get(0);
        List<Member> members = readList(opt.args.get(1), opt.method);
        switch (argv[0]) {
            case "write":
                write(archive, members, opt);
                break;
            case "check":
                System.exit(check(archive, members, opt) ? 0 : EXIT_MISMATCH);
                break;
            default:
                usage();
        }
    }

    private static void usage() {
        System.err.println("usage: MakeLha write [-m METHOD] [-l LEVEL] [-t EPOCH] [-e CHARSET] OUT.lzh LIST");
        System.err.println("       MakeLha check [-e CHARSET] ARCHIVE LIST");
        System.exit(EXIT_USAGE);
    }

    private static Options parseOptions(String[] argv) {
        Options opt = new Options();
        for (int i = 0; i < argv.length; i++) {
            String a = argv[i];
            boolean hasValue = i + 1 < argv.length;
            if (a.equals("-m") && hasValue) {
                opt.method = argv[++i];
            } else if (a.equals("-l") && hasValue) {
                opt.level = Integer.parseInt(argv[++i]);
            } else if (a.equals("-t") && hasValue) {
                opt.epochSeconds = Long.parseLong(argv[++i]);
            } else if (a.equals("-e") && hasValue) {
                opt.charset = argv[++i];
            } else if (a.startsWith("-") && !a.equals("-")) {
                usage();
            } else {
                opt.args.add(a);
            }
        }
        return opt;
    }

    private static List<Member> readList(String listFile, String defaultMethod) throws IOException {
        List<Member> members = new ArrayList<>();
        for (String line : Files.readAllLines(Paths.get(listFile), StandardCharsets.UTF_8)) {
            if (line.isEmpty()) {
                continue;
            }
            String[] f = line.split("\t");
            if (f.length < 2 || f.length > 3) {
                throw new IOException("bad list line: " + line);
            }
            String method = f.length == 3 ? f[2] : defaultMethod;
            boolean directory = f[0].endsWith("/");
            members.add(new Member(f[0], f[1], directory ? DIRECTORY_METHOD : method));
        }
        return members;
    }

    private static Properties jlhaProperties(String charset) {
        Properties p = LhaProperty.getProperties();
        p.setProperty("lha.encoding", charset);
        return p;
    }

    private static void write(String archive, List<Member> members, Options opt) throws IOException {
        Properties props = jlhaProperties(opt.charset);
        Date time = new Date(opt.epochSeconds * MILLIS_PER_SECOND);
        try (OutputStream file = new FileOutputStream(archive)) {
            LhaOutputStream out = new LhaOutputStream(file, props);
            for (Member m : members) {
                LhaHeader h = new LhaHeader(m.name, time);
                h.setHeaderLevel(opt.level);
                h.setCompressMethod(m.method);
                if (m.isDirectory()) {
                    out.putNextEntry(h);
                } else {
                    writeFileMember(out, h, Files.readAllBytes(Paths.get(m.input)), props);
                }
                out.closeEntry();
            }
            out.close();
        }
    }

    private static void writeFileMember(LhaOutputStream out, LhaHeader h, byte[] data, Properties props)
            throws IOException {
        ByteArrayOutputStream packed = new ByteArrayOutputStream();
        OutputStream encoder = CompressMethod.connectEncoder(packed, h.getCompressMethod(), props);
        encoder.write(data);
        encoder.close();
        h.setOriginalSize(data.length);
        h.setCompressedSize(packed.size());
        h.setCRC(crc16(data));
        out.putNextEntryAlreadyCompressed(h);
        packed.writeTo(out);
    }

    private static int crc16(byte[] data) {
        CRC16 crc = new CRC16();
        crc.update(data);
        return (int) crc.getValue();
    }

    private static boolean check(String archive, List<Member> members, Options opt) throws IOException {
        boolean ok = true;
        int index = 0;
        try (InputStream file = new FileInputStream(archive)) {
            LhaInputStream in = new LhaInputStream(file, jlhaProperties(opt.charset));
            for (LhaHeader h; (h = in.getNextEntry()) != null; index++) {
                String problem = compareMember(h, readAll(in), index < members.size() ? members.get(index) : null);
                if (problem != null) {
                    System.err.println(archive + ": member " + index + ": " + problem);
                    ok = false;
                }
                in.closeEntry();
            }
            in.close();
        }
        if (index != members.size()) {
            System.err.println(archive + ": " + index + " members, list has " + members.size());
            ok = false;
        }
        return ok;
    }

    /** Returns null when the decoded member matches the list line, else what differs. */
    private static String compareMember(LhaHeader h, byte[] decoded, Member expected) throws IOException {
        if (expected == null) {
            return "not in list";
        }
        String name = h.getPath().replace('\\', '/');
        if (!name.equals(expected.name)) {
            return "name " + name + ", expected " + expected.name;
        }
        if (!h.getCompressMethod().equals(expected.method)) {
            return "method " + h.getCompressMethod() + ", expected " + expected.method;
        }
        byte[] want = expected.isDirectory() ? new byte[0] : Files.readAllBytes(Paths.get(expected.input));
        return Arrays.equals(decoded, want) ? null : "decoded data differs from " + expected.input;
    }

    private static byte[] readAll(InputStream in) throws IOException {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        byte[] buf = new byte[1 << 16];
        for (int n; (n = in.read(buf)) > 0; ) {
            out.write(buf, 0, n);
        }
        return out.toByteArray();
    }
}
