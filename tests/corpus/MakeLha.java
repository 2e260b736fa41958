// MakeLha: writes LHA archives with jlha (Debian libjlha-java) so that our decoder
// is tested against data from an encoder we did not write.
//
//   java -cp jlha.jar:CLASSDIR MakeLha LEVEL EPOCH OUT.lzh LIST
//
// LIST is a UTF-8 text file, one archive member per line, in archive order:
//   STORED_NAME <TAB> INPUT_FILE <TAB> METHOD
// STORED_NAME uses '/' between path parts. A name ending in '/' with INPUT_FILE "-" is a
// directory entry (-lhd-). Every member is stamped with EPOCH (seconds since 1970).
//
// Every member is stored with the method asked for. jlha's own putNextEntry() silently
// falls back to -lh0- whenever compression does not shrink the data, which would
// quietly turn our 1-byte, 2-byte and random-data members into stored ones; so we run
// the encoder ourselves and hand the result over as already compressed.
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
import jp.gr.java_conf.dangan.util.lha.LhaOutputStream;
import jp.gr.java_conf.dangan.util.lha.LhaProperty;

import java.io.ByteArrayOutputStream;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.Date;
import java.util.Properties;

public class MakeLha {
    private static final String DIRECTORY_METHOD = "-lhd-";
    private static final String CHARSET = "windows-31j";
    private static final long MILLIS_PER_SECOND = 1000L;
    private static final int EXIT_USAGE = 2;

    public static void main(String[] argv) throws IOException {
        if (argv.length != 4) {
            System.err.println("usage: MakeLha LEVEL EPOCH OUT.lzh LIST");
            System.exit(EXIT_USAGE);
        }
        int level = Integer.parseInt(argv[0]);
        Date time = new Date(Long.parseLong(argv[1]) * MILLIS_PER_SECOND);
        Properties props = LhaProperty.getProperties();
        props.setProperty("lha.encoding", CHARSET);
        try (OutputStream file = new FileOutputStream(argv[2])) {
            LhaOutputStream out = new LhaOutputStream(file, props);
            for (String line : Files.readAllLines(Paths.get(argv[3]), StandardCharsets.UTF_8)) {
                String[] f = line.split("\t");
                if (f.length != 3) {
                    throw new IOException("bad list line: " + line);
                }
                boolean directory = f[0].endsWith("/");
                LhaHeader h = new LhaHeader(f[0], time);
                h.setHeaderLevel(level);
                h.setCompressMethod(directory ? DIRECTORY_METHOD : f[2]);
                if (directory) {
                    out.putNextEntry(h);
                } else {
                    writeFileMember(out, h, Files.readAllBytes(Paths.get(f[1])), props);
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
        CRC16 crc = new CRC16();
        crc.update(data);
        h.setOriginalSize(data.length);
        h.setCompressedSize(packed.size());
        h.setCRC((int) crc.getValue());
        out.putNextEntryAlreadyCompressed(h);
        packed.writeTo(out);
    }
}
