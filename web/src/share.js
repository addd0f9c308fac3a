// Share links: the URL fragment "#src=" followed by the source as base64url
// (RFC 4648, section 5) of its UTF-8 bytes, without padding; "&run=1" also
// runs it on load.

export function encodeSource(source) {
  const bytes = new TextEncoder().encode(source);
  let binary = '';
  for (let i = 0; i < bytes.length; i += 8192) binary += String.fromCharCode(...bytes.subarray(i, i + 8192));
  return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

// The source, or null when the text is not base64url of UTF-8.
export function decodeSource(text) {
  if (!/^[A-Za-z0-9_-]*$/.test(text) || text.length % 4 === 1) return null;
  try {
    const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
    const bytes = Uint8Array.from(binary, (c) => c.charCodeAt(0));
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    return null;
  }
}

// "#src=...&run=1" → {source, run}; source is null without a valid src.
export function parseFragment(hash) {
  const params = new URLSearchParams(hash.replace(/^#/, ''));
  const src = params.get('src');
  return { source: src === null ? null : decodeSource(src), run: params.get('run') === '1' };
}

export function shareFragment(source, run = false) {
  return '#src=' + encodeSource(source) + (run ? '&run=1' : '');
}
